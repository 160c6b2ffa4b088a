#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""kmxcap end to end, its files read back by readers that share nothing
with it: Pillow (PNG text, TIFF tags, pixels), tiffinfo (libtiff's own
listing), dcraw (identifies and develops the DNG) and Python's json.

Usage: kmxcap_files_test.py PATH_TO_KMXCAP [unittest arguments]
Exits 77 (skipped) when a reader is missing; scripts/setup.sh installs
them all.
"""
import io
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

SKIPPED = 77
KMXCAP = sys.argv[1] if len(sys.argv) > 1 else ""

try:
    import numpy
    from PIL import Image
except ImportError as missing:
    print(f"kmxcap_files_test: skipped, {missing.name} is missing (scripts/setup.sh)")
    sys.exit(SKIPPED)
for tool in ("tiffinfo", "dcraw"):
    if shutil.which(tool) is None:
        print(f"kmxcap_files_test: skipped, {tool} is missing (scripts/setup.sh)")
        sys.exit(SKIPPED)

# The simulated cameras, as kmxsim describes them.
MONO = {"camera": "1", "vendor": "Kinemetrix Imaging", "model": "KMX-M640 monochrome",
        "serial": 1001, "size": (640, 480)}
COLOUR = {"camera": "2", "vendor": "Kinemetrix Imaging", "model": "KMX-C1280 colour",
          "serial": 2001, "size": (1280, 1024)}
ISO8601 = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$")


def run(*args, check=True):
    """Runs kmxcap; returns (exit code, stdout bytes, stderr text)."""
    done = subprocess.run([KMXCAP, *args], capture_output=True, stdin=subprocess.DEVNULL,
                          env={k: v for k, v in os.environ.items() if k != "KMX_LOG"})
    if check and done.returncode != 0:
        raise AssertionError(f"kmxcap {' '.join(args)}: exit {done.returncode}: "
                             f"{done.stderr.decode(errors='replace')}")
    return done.returncode, done.stdout, done.stderr.decode(errors="replace")


def png_chunks(data):
    """Every chunk of a PNG file: a list of (type, body)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "no PNG signature"
    chunks, at = [], 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunks.append((kind.decode("ascii"), data[at + 8:at + 8 + length]))
        at += 12 + length
    return chunks


def tiffinfo(path):
    return subprocess.run(["tiffinfo", path], capture_output=True, text=True).stdout


def without_time(info):
    return {k: v for k, v in info.items() if k not in ("Creation Time", "created")}


class Ckmxcap_files(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kmxcap-files-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def expect_facts(self, facts, camera, exposure_us, gain_index, depth, frames=1):
        """The facts every writer records, under the names of PNG text."""
        self.assertTrue(facts["Software"].startswith("kmxcap "), facts)
        self.assertRegex(facts["Creation Time"], ISO8601)
        self.assertEqual(facts["Camera Vendor"], camera["vendor"])
        self.assertEqual(facts["Camera Model"], camera["model"])
        self.assertEqual(int(facts["Camera Serial"]), camera["serial"])
        self.assertEqual(int(facts["Exposure Time (us)"]), exposure_us)
        self.assertEqual(int(facts["Gain Index"]), gain_index)
        self.assertEqual(int(facts["Black Level Index"]), 39)
        self.assertEqual(int(facts["Bit Depth"]), depth)
        self.assertEqual(int(facts["Frames Averaged"]), frames)

    def test_every_file_carries_its_provenance(self):
        """PNG text, sBIT and no pHYs (the pitch is unknown); TIFF tags and
        description; the sidecar says the same as the file."""
        cases = [
            # name, arguments, camera, exposure us, gain, depth, frames, inverted
            ("mono.png", ["snap", "-c", "1", "-e", "2000", "-g", "300"], MONO, 1980, 300, 8, 1,
             "no"),
            ("deep.png", ["snap", "-c", "2", "--depth", "10"], COLOUR, 1000, 404, 10, 1, None),
            ("mean.png", ["average", "4", "-c", "1", "--pixel-values", "camera"], MONO, 1000, 281,
             8, 4, "yes"),
            ("deep.tif", ["deep-average", "2", "-c", "1", "--depth", "12"], MONO, 1000, 281, 12, 2,
             "no"),
            ("inverted.tif", ["snap", "-c", "1", "--pixel-values", "camera"], MONO, 1000, 281, 8, 1,
             "yes"),
            ("colour.tif", ["snap", "-c", "2", "--exposure-index", "100"], COLOUR, 365, 404, 8, 1,
             None),
            ("raw.tif", ["snap", "-c", "1", "--raw"], MONO, 1000, 281, 12, 1, "no"),
        ]
        for name, args, camera, exposure, gain, depth, frames, inverted in cases:
            with self.subTest(name=name):
                out = self.path(name)
                run(*args, "-o", out, "--sidecar")
                with Image.open(out) as image:
                    image.load()
                self.assertEqual(image.size, camera["size"])
                if name.endswith(".png"):
                    facts = dict(image.text)
                    with open(out, "rb") as file:
                        chunks = png_chunks(file.read())
                    kinds = [kind for kind, _ in chunks]
                    self.assertIn("sBIT", kinds)
                    self.assertLess(kinds.index("tEXt"), kinds.index("IDAT"))
                    self.assertNotIn("pHYs", kinds)
                    self.assertEqual(dict(chunks)["sBIT"][0], depth)
                else:
                    tags = image.tag_v2
                    self.assertEqual(tags[271], camera["vendor"])   # Make
                    self.assertEqual(tags[272], camera["model"])    # Model
                    self.assertTrue(tags[305].startswith("kmxcap "))  # Software
                    self.assertRegex(tags[306], r"^\d{4}:\d\d:\d\d \d\d:\d\d:\d\d$")  # DateTime
                    self.assertEqual(set(tags[339]), {1})           # SampleFormat: unsigned
                    self.assertEqual(set(tags[258]), {8 if depth == 8 else 16})
                    self.assertEqual(set(tags[281]), {(1 << depth) - 1})  # MaxSampleValue
                    self.assertEqual(tags[262], 0 if inverted == "yes" else
                                     1 if camera is MONO else 2)    # MinIsWhite, MinIsBlack, RGB
                    facts = dict(line.split(": ", 1) for line in tags[270].splitlines())
                    listing = tiffinfo(out)
                    self.assertIn(f"Make: {camera['vendor']}", listing)
                    self.assertIn("EXIF directory", listing)
                self.expect_facts(facts, camera, exposure, gain, depth, frames)
                self.assertEqual(facts.get("Inverted"), inverted)
                with open(out + ".json") as file:
                    sidecar = json.load(file)
                self.assertEqual(sidecar["file"], name)
                self.assertEqual((sidecar["width"], sidecar["height"]), camera["size"])
                self.assertEqual(sidecar["created"], facts["Creation Time"])
                self.assertEqual(sidecar["exposure_us"], exposure)
                self.assertEqual(sidecar["gain_index"], gain)
                self.assertEqual(sidecar["depth"], depth)
                self.assertEqual(sidecar["frames_averaged"], frames)
                self.assertEqual(sidecar["camera_model"], camera["model"])

    def test_raw_colour_frames_are_dngs_that_develop_to_the_chart(self):
        """dcraw identifies the camera and the mosaic, and develops it: the
        chart's grey patches come out neutral, its colour patches in their
        colours."""
        out = self.path("raw.dng")
        run("snap", "-c", "2", "--raw", "-e", "2000", "-o", out)
        identity = subprocess.run(["dcraw", "-i", "-v", out], capture_output=True, text=True).stdout
        self.assertIn("Camera: Kinemetrix Imaging KMX-C1280 colour", identity)
        self.assertIn("Filter pattern: RG/GB", identity)
        self.assertIn("Shutter: 1/", identity)
        listing = tiffinfo(out)
        for tag in ("DNGVersion: 1,4,0,0", "CFAPattern: 0,1,1,2", "WhiteLevel: 4095",
                    "BlackLevel: 156", "UniqueCameraModel: Kinemetrix Imaging KMX-C1280 colour"):
            self.assertIn(tag, listing)
        developed = subprocess.run(["dcraw", "-c", "-w", "-o", "1", out], capture_output=True)
        self.assertEqual(developed.returncode, 0, developed.stderr)
        picture = numpy.asarray(Image.open(io.BytesIO(developed.stdout))).astype(float)
        height, width, _ = picture.shape
        self.assertEqual((width, height), COLOUR["size"])

        def mean(u0, u1, v0, v1):
            area = picture[int(v0 * height):int(v1 * height), int(u0 * width):int(u1 * width)]
            return area.reshape(-1, 3).mean(axis=0)

        # The chart: a flat grey top left, eight grey steps across the
        # middle band, eight colour patches along the bottom (red, green,
        # blue, yellow, cyan, magenta, white, grey).
        greys = [mean(0.02, 0.23, 0.02, 0.23)]
        greys += [mean(s / 8 + 0.02, (s + 1) / 8 - 0.02, 0.52, 0.60) for s in range(8)]
        patches = [mean(p / 8 + 0.02, (p + 1) / 8 - 0.02, 0.78, 0.97) for p in range(8)]
        greys += patches[6:]
        for grey in greys:
            self.assertLess(max(grey) - min(grey), 0.03 * max(grey) + 1, grey)
        lit = [(1, 0, 0), (0, 1, 0), (0, 0, 1), (1, 1, 0), (0, 1, 1), (1, 0, 1)]
        for patch, channels in zip(patches, lit):
            bright = [v for v, on in zip(patch, channels) if on]
            dark = [v for v, on in zip(patch, channels) if not on]
            self.assertGreater(min(bright), 1.5 * max(dark), (patch, channels))

    def test_short_and_long_options_give_the_same_files(self):
        """Only the creation time may differ."""
        forms = [
            (["-c", "2", "-e", "3000", "-g", "500", "-q"],
             ["--camera", "2", "--exposure", "3000", "--gain", "500", "--quiet"]),
            (["-c", "1:0", "-e", "700"], ["--camera=1:0", "--exposure=700"]),
        ]
        for number, (short, long) in enumerate(forms):
            for suffix in (".png", ".tif"):
                with self.subTest(short=short, suffix=suffix):
                    a, b = self.path(f"short{number}{suffix}"), self.path(f"long{number}{suffix}")
                    run("snap", "--test-mode", *short, "-o", a)
                    run("snap", "--test-mode", *long, "--out", b)
                    with Image.open(a) as first, Image.open(b) as second:
                        first.load()
                        second.load()
                    self.assertEqual(first.tobytes(), second.tobytes())
                    if suffix == ".png":
                        self.assertEqual(without_time(first.text), without_time(second.text))
                    else:
                        tags = [dict(image.tag_v2) for image in (first, second)]
                        for t in tags:
                            t.pop(306)  # DateTime
                            t[270] = re.sub(r"Creation Time: .*\n", "", t[270])
                            t.pop(34665)  # where the EXIF directory lies
                        self.assertEqual(tags[0], tags[1])

    def test_pictures_piped_to_standard_output(self):
        """-o -: the picture alone on stdout, messages on stderr."""
        for fmt, kind in (("png", "PNG"), ("tiff", "TIFF")):
            with self.subTest(fmt=fmt):
                _, out, err = run("snap", "-c", "2", "-o", "-", "--format", fmt, "--stats")
                image = Image.open(io.BytesIO(out))
                self.assertEqual(image.format, kind)
                self.assertEqual(image.size, COLOUR["size"])
                self.assertIn("stats: 1280x1024 RGB 8-bit", err)
                self.assertIn("written to standard output", err)
        piped = subprocess.run(
            f"'{KMXCAP}' stream 3 -c 1 --test-mode -o - -q | /usr/bin/python3 -c "
            "\"import sys; data = sys.stdin.buffer.read(); print(data.count(b'IEND'))\"",
            shell=True, capture_output=True, text=True)
        self.assertEqual(piped.stdout.strip(), "3", piped.stderr)
        self.assertEqual(os.listdir(self.dir), [])
        # A reader that leaves early: one line, exit 6, no temporary file.
        gone = subprocess.run(
            f"'{KMXCAP}' snap -c 2 -o - | head -c 10 >/dev/null; echo \"${{PIPESTATUS[0]}}\"",
            shell=True, executable="/bin/bash", capture_output=True, text=True,
            env={**os.environ, "TMPDIR": self.dir})
        self.assertEqual(gone.stdout.strip(), "6", gone.stderr)
        self.assertIn("cannot write standard output", gone.stderr)
        self.assertEqual(os.listdir(self.dir), [])

    def test_name_patterns(self):
        cases = [
            (["stream", "3", "-c", "1", "-o", "run-%s-%04n.png"],
             ["run-1001-0001.png", "run-1001-0002.png", "run-1001-0003.png"]),
            (["stream", "2", "-c", "2", "-o", "plain.tif"],
             ["plain-000001.tif", "plain-000002.tif"]),
            (["snap", "-c", "2", "-o", "s%s-%n-100%%.png"], ["s2001-1-100%.png"]),
            (["snap", "-c", "1", "-o", "at-%t.png"], [re.compile(r"^at-\d{8}T\d{6}\.png$")]),
        ]
        for args, expected in cases:
            with self.subTest(args=args):
                for name in os.listdir(self.dir):
                    os.remove(self.path(name))
                run(*[self.path(a) if a.endswith((".png", ".tif")) else a for a in args])
                names = sorted(os.listdir(self.dir))
                self.assertEqual(len(names), len(expected), names)
                for name, want in zip(names, expected):
                    if isinstance(want, str):
                        self.assertEqual(name, want)
                    else:
                        self.assertRegex(name, want)

    def test_controls_are_the_limits_the_camera_enforces(self):
        """Every settable control takes its maximum, refuses one more with
        its valid range, and lists what the camera holds."""
        for camera in (MONO, COLOUR):
            _, out, _ = run("controls", "--json", "-c", camera["camera"])
            listing = json.loads(out)
            self.assertEqual(listing["camera"]["serial"], camera["serial"])
            self.assertEqual(listing["camera"]["colour"], camera is COLOUR)
            self.assertEqual([r["name"] for r in listing["readouts"]],
                             ["normal", "binned", "preview"])
            self.assertEqual(listing["depths"], [8, 10, 12])
            self.assertIn("white-balance" in listing["automatic"], [camera is COLOUR])
            text = run("controls", "-c", camera["camera"])[1].decode()
            controls = {c["name"]: c for c in listing["controls"]}
            self.assertEqual(controls["gain"]["db"] > 0, True)
            self.assertEqual("red-gain" in controls, camera is COLOUR)
            for name, c in controls.items():
                self.assertIn(f"\n{name} ", text)
                self.assertLessEqual(c["min"], c["current"])
                self.assertLessEqual(c["current"], c["max"])
                if not c["settable"]:
                    continue
                with self.subTest(camera=camera["camera"], control=name):
                    top = c["max"] if name != "rate" else max(c["values"])
                    value = f"{top:g}"
                    _, said, _ = run("set", "-c", camera["camera"], f"{name}={value}")
                    self.assertTrue(said.decode().startswith(f"{name} = "), said)
                    if c["unit"] in ("index", "on/off", "selector"):
                        self.assertEqual(said.decode().split()[2], value)
                    over = (f"{c['max'] * 1.01:g}" if c["unit"] == "gamma"
                            else str(int(c["max"]) + 1))
                    code, said, err = run("set", "-c", camera["camera"], f"{name}={over}",
                                          check=False)
                    refused_by_parser = c["unit"] == "on/off"
                    self.assertEqual(code, 2 if refused_by_parser else 4, err)
                    self.assertEqual(err.count("\n"), 1, err)
                    self.assertEqual(said, b"")
                    if not refused_by_parser:
                        self.assertIn("valid ", err)

    def test_bad_values_fail_with_one_line_and_no_file(self):
        out = self.path("x.png")
        cases = [
            (["snap", "-c", "serial=4242", "-o", out], 3, "no camera has serial number 4242\n"),
            (["snap", "-c", "1", "--raw", "-o", self.path("x.dng")], 2, "monochrome"),
            (["snap", "-o", self.path("x.dng")], 2, "snap --raw"),
            (["snap", "-o", out, "--format", "tiff"], 2, "--format does not agree"),
            (["snap", "-o", "-", "--sidecar"], 2, "--sidecar"),
            (["snap", "-o", self.path("x%q.png")], 2, "unknown % pattern"),
            (["snap", "-e", "5", "-o", out], 4, "valid 10..100000 us"),
            (["snap", "-g", "4000", "-o", out], 4, "valid 0..1023"),
            (["snap", "-x"], 2, "unknown flag '-x'"),
            (["snap", "-n", "3"], 2, "--count is for"),
            (["average", "3", "-n", "3"], 2, "given twice"),
            (["set", "-c", "2", "rate=2"], 4, "valid 0, 1 or 4"),
            (["set", "gain"], 2, "NAME=VALUE"),
            (["set", "format=2"], 2, "unknown setting 'format'"),
            (["controls", "-o", out], 2, "controls and set take no output"),
            (["snap", "--json"], 2, "--json is for controls"),
        ]
        for args, code, words in cases:
            with self.subTest(args=args):
                got, out_bytes, err = run(*args, check=False)
                self.assertEqual(got, code, err)
                self.assertEqual(err.count("\n"), 1, err)
                self.assertTrue(err.startswith("kmxcap: "), err)
                self.assertIn(words, err)
                self.assertEqual(out_bytes, b"")
                self.assertEqual(os.listdir(self.dir), [])


if __name__ == "__main__":
    if not KMXCAP or not os.access(KMXCAP, os.X_OK):
        sys.exit("usage: kmxcap_files_test.py PATH_TO_KMXCAP")
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
