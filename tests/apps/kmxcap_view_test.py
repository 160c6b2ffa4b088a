# SPDX-License-Identifier: Apache-2.0
"""kmxcap view over HTTP: every endpoint, bad requests, several viewers at
once, viewers that stall or vanish, settings changes seen in the next
frames' statistics, the automatic procedures, Save, and a clean stop.

Runs the tool as a user would (kmxcap view --port 0 on the simulated
camera) and talks to it with the standard library's http.client and raw
sockets. Usage: kmxcap_view_test.py KMXCAP [unittest arguments]
"""
import http.client
import io
import json
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

KMXCAP = None
FORM = {"Content-Type": "application/x-www-form-urlencoded"}
# Generous: the sanitizer builds are several times slower.
STARTUP_S = 30
FRAME_WAIT_S = 20

try:
    from PIL import Image
except ImportError:  # the files are still checked by their signatures
    Image = None


class View:
    """One running `kmxcap view` and the requests the tests make of it."""

    def __init__(self, *flags, env=None):
        environment = dict(os.environ, KMX_CAMERA_LIBRARY="sim")
        environment.update(env or {})
        # A file, not a pipe: a chatty log must never block the tool.
        self.errors = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen(
            [KMXCAP, "view", "--port", "0", *flags], stdout=subprocess.PIPE,
            stderr=self.errors, env=environment, text=True)
        line = self.process.stdout.readline()
        found = re.search(r"http://127\.0\.0\.1:(\d+)/", line)
        if not found:
            self.process.kill()
            self.process.wait()
            raise AssertionError("no address in %r; stderr: %s" % (line, self.stderr()))
        self.port = int(found.group(1))
        self.wait_for(lambda s: s["frame"] is not None, STARTUP_S)

    def connection(self, timeout=FRAME_WAIT_S):
        return http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)

    def request(self, method, path, body=None, headers=None):
        """(status, headers, body bytes) of one request on a fresh connection."""
        connection = self.connection()
        try:
            connection.request(method, path, body=body, headers=headers or {})
            answer = connection.getresponse()
            return answer.status, dict(answer.getheaders()), answer.read()
        finally:
            connection.close()

    def json(self, path):
        status, _, body = self.request("GET", path)
        assert status == 200, (path, status, body)
        return json.loads(body)

    def status(self):
        return self.json("/api/status")

    def change(self, **knobs):
        body = "&".join("%s=%s" % item for item in knobs.items())
        return self.request("POST", "/api/settings", body, FORM)

    def wait_for(self, condition, seconds=FRAME_WAIT_S):
        """The first status that satisfies condition; fails after `seconds`."""
        deadline = time.monotonic() + seconds
        while True:
            status = self.status()
            if condition(status):
                return status
            if time.monotonic() > deadline:
                raise AssertionError("condition not met; last status %s" %
                                     {k: v for k, v in status.items() if k != "frame"})
            time.sleep(0.05)

    def frame_after(self, version):
        """Statistics of a frame taken with settings `version` or later."""
        status = self.wait_for(lambda s: s["frame"]["settings_version"] >= version)
        return status["frame"]

    def stderr(self):
        self.errors.seek(0)
        return self.errors.read()

    def stop(self, sig=signal.SIGINT):
        """Stops the tool; (exit code, stdout, stderr)."""
        if self.process.poll() is None:
            self.process.send_signal(sig)
        out, _ = self.process.communicate(timeout=60)
        return self.process.returncode, out, self.stderr()


def mean_of(frame):
    channels = frame["channels"]
    return sum(c["mean"] for c in channels) / len(channels)


def read_parts(response, count):
    """Frame numbers of the next `count` JPEG parts of a multipart stream."""
    numbers = []
    while len(numbers) < count:
        line = response.fp.readline()
        if not line:
            raise AssertionError("the stream ended")
        if not line.startswith(b"--"):
            continue
        headers = {}
        for line in iter(response.fp.readline, b"\r\n"):
            if not line:
                raise AssertionError("the stream ended")
            name, _, value = line.partition(b":")
            headers[name.strip().lower()] = value.strip()
        jpeg = response.fp.read(int(headers[b"content-length"]))
        assert headers[b"content-type"] == b"image/jpeg", headers
        assert jpeg[:2] == b"\xff\xd8" and jpeg[-2:] == b"\xff\xd9", "not a JPEG"
        numbers.append(int(headers[b"x-frame-number"]))
    return numbers


def raw_exchange(port, data, timeout=10):
    """What the server answers to raw bytes (its status line, or b'')."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as sock:
        sock.sendall(data)
        answer = b""
        try:
            while b"\r\n" not in answer:
                chunk = sock.recv(4096)
                if not chunk:
                    break
                answer += chunk
        except (ConnectionResetError, socket.timeout):
            pass
        return answer.split(b"\r\n")[0]


def picture_size(data):
    if Image is None:
        return None
    with Image.open(io.BytesIO(data)) as picture:
        picture.load()
        return picture.size, picture.mode


class ColourView(unittest.TestCase):
    """The colour camera (1280 x 1024, 8-bit RGB)."""

    @classmethod
    def setUpClass(cls):
        cls.view = View("--camera", "2")

    @classmethod
    def tearDownClass(cls):
        code, out, err = cls.view.stop()
        assert code == 0, (code, out, err)

    def test_page_files(self):
        for path, kind, text in (("/", "text/html", b"kmxcap view"),
                                 ("/view.js", "text/javascript", b"/api/settings"),
                                 ("/view.css", "text/css", b"#live"),
                                 ("/favicon.svg", "image/svg+xml", b"<svg")):
            status, headers, body = self.view.request("GET", path)
            self.assertEqual(status, 200, path)
            self.assertTrue(headers["Content-Type"].startswith(kind), headers)
            self.assertIn(text, body)
            status, headers, body = self.view.request("HEAD", path)
            self.assertEqual((status, body), (200, b""), path)

    def test_camera_and_knobs(self):
        camera = self.view.json("/api/camera")
        self.assertEqual((camera["width"], camera["height"], camera["colour"]),
                         (1280, 1024, True))
        self.assertEqual((camera["camera"], camera["serial"]), ("2:0", 2001))
        settings = self.view.json("/api/settings")
        knobs = {k["name"]: k for k in settings["knobs"]}
        for name in ("exposure", "gain", "black_level", "red_gain", "green_gain", "blue_gain",
                     "gamma_on", "gamma", "readout", "average", "overlay"):
            self.assertIn(name, knobs)
        self.assertEqual((knobs["exposure"]["min"], knobs["exposure"]["max"]), (0, 256))
        self.assertEqual(knobs["readout"]["choices"], ["normal", "bin", "preview"])
        self.assertEqual(knobs["average"]["value"], 1)

    def test_single_picture(self):
        status, headers, body = self.view.request("GET", "/frame.jpg")
        self.assertEqual(status, 200)
        self.assertEqual(headers["Content-Type"], "image/jpeg")
        self.assertEqual(body[:2], b"\xff\xd8")
        size = picture_size(body)
        if size:
            self.assertEqual(size, ((1280, 1024), "RGB"))

    def test_stream_delivers_new_frames(self):
        connection = self.view.connection()
        connection.request("GET", "/stream.mjpg")
        answer = connection.getresponse()
        self.assertEqual(answer.status, 200)
        self.assertTrue(answer.getheader("Content-Type").startswith(
            "multipart/x-mixed-replace; boundary="))
        numbers = read_parts(answer, 6)
        self.assertEqual(numbers, sorted(set(numbers)), "frames repeat or go back")
        connection.close()

    def test_settings_seen_in_next_frames(self):
        # Exposure up brightens, down darkens; gain likewise. Each answer
        # carries the version that frames taken with it bear.
        for knob, low, high in (("exposure", 100, 150), ("gain", 200, 500)):
            means = []
            for value in (low, high, low):
                status, _, body = self.view.change(**{knob: value})
                self.assertEqual(status, 200, body)
                answer = json.loads(body)
                self.assertEqual({k["name"]: k["value"] for k in answer["knobs"]}[knob], value)
                means.append(mean_of(self.view.frame_after(answer["version"])))
            self.assertGreater(means[1], means[0] + 20, (knob, means))
            self.assertLess(means[2], means[1] - 20, (knob, means))
        self.view.change(exposure=128, gain=404)

    def test_readout_changes_frame_size(self):
        for readout, size in (("bin", (640, 512)), ("preview", (640, 512)),
                              ("normal", (1280, 1024))):
            status, _, body = self.view.change(readout=readout)
            self.assertEqual(status, 200, body)
            frame = self.view.frame_after(json.loads(body)["version"])
            self.assertEqual((frame["width"], frame["height"]), size, readout)

    def test_averaged_and_overlaid_pictures(self):
        status, _, body = self.view.change(average=4, overlay="grid")
        self.assertEqual(status, 200, body)
        frame = self.view.frame_after(json.loads(body)["version"])
        self.assertEqual(frame["width"], 1280)
        status, _, body = self.view.request("GET", "/frame.jpg")
        self.assertEqual(status, 200)
        status, _, body = self.view.change(average=1, overlay="none")
        self.assertEqual(status, 200, body)

    def test_bad_requests(self):
        cases = [
            ("GET", "/no/such/page", None, {}, 404),
            ("GET", "/../../etc/passwd", None, {}, 400),
            ("GET", "/%2e%2e/%2e%2e/etc/passwd", None, {}, 400),
            ("GET", "/api/..%2f..%2fsecret", None, {}, 400),
            ("POST", "/api/status", "", FORM, 405),
            ("DELETE", "/", None, {}, 405),
            ("GET", "/api/auto", None, {}, 405),
            ("POST", "/api/settings", "", FORM, 400),
            ("POST", "/api/settings", "exposure=999", FORM, 400),
            ("POST", "/api/settings", "exposure=-1", FORM, 400),
            ("POST", "/api/settings", "exposure=1e2", FORM, 400),
            ("POST", "/api/settings", "exposure=12.5", FORM, 400),
            ("POST", "/api/settings", "exposure=nan", FORM, 400),
            ("POST", "/api/settings", "exposure=", FORM, 400),
            ("POST", "/api/settings", "gain=99999999999999999999", FORM, 400),
            ("POST", "/api/settings", "gamma=0", FORM, 400),
            ("POST", "/api/settings", "gamma_on=maybe", FORM, 400),
            ("POST", "/api/settings", "readout=sideways", FORM, 400),
            ("POST", "/api/settings", "average=65", FORM, 400),
            ("POST", "/api/settings", "overlay=<script>", FORM, 400),
            ("POST", "/api/settings", "no_such_knob=1", FORM, 400),
            ("POST", "/api/settings", "gain=300&exposure=300", FORM, 400),
            ("POST", "/api/settings", "x" * 100000, FORM, 413),
            ("POST", "/api/auto", "kind=focus", FORM, 400),
            ("POST", "/api/stop", "", FORM, 409),
            ("GET", "/api/save?format=gif", None, {}, 400),
            ("GET", "/api/save?frames=0", None, {}, 400),
            ("GET", "/api/save?frames=257", None, {}, 400),
            ("GET", "/api/save?frames=ten", None, {}, 400),
            ("GET", "/api/save?overlay=2", None, {}, 400),
            ("GET", "/", None, {"Host": "attacker.example"}, 403),
            ("POST", "/api/settings", "gain=300", dict(FORM, Origin="http://attacker.example"),
             403),
        ]
        before = self.view.status()["settings_version"]
        for method, path, body, headers, expected in cases:
            with self.subTest(method=method, path=path[:40], body=(body or "")[:40]):
                status, _, answer = self.view.request(method, path, body, headers)
                self.assertEqual(status, expected, answer[:200])
                self.assertTrue(answer.strip() or method == "HEAD")
        # Requests httplib itself refuses: a malformed request line, a
        # header line beyond its bound, a header block that never ends.
        for data in (b"GARBAGE\r\n\r\n", b"GET / HTTP/1.1\r\nX: " + b"a" * 20000 + b"\r\n\r\n",
                     b"GET /\x00 HTTP/1.1\r\n\r\n"):
            line = raw_exchange(self.view.port, data)
            self.assertTrue(line == b"" or re.match(rb"HTTP/1\.[01] 4\d\d", line), line)
        # None of it changed a setting or stopped the camera.
        status = self.view.status()
        self.assertEqual(status["settings_version"], before)
        frames = status["frames"]
        self.view.wait_for(lambda s: s["frames"] > frames + 5)

    def test_concurrent_and_stalled_viewers(self):
        # A viewer that takes nothing: its socket buffers fill and its
        # writes block; nobody else may notice.
        stalled = socket.create_connection(("127.0.0.1", self.view.port))
        stalled.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        self.addCleanup(stalled.close)
        stalled.sendall(b"GET /stream.mjpg HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
        time.sleep(1)  # long enough to fill every buffer on the way
        counts = [0] * 4
        errors = []

        def watch(i):
            try:
                connection = self.view.connection()
                connection.request("GET", "/stream.mjpg")
                answer = connection.getresponse()
                counts[i] = len(read_parts(answer, 30))
                connection.close()
            except Exception as error:  # reported below
                errors.append(error)

        before = self.view.status()
        started = time.monotonic()
        viewers = [threading.Thread(target=watch, args=(i,)) for i in range(4)]
        for viewer in viewers:
            viewer.start()
        # The API answers while the streams run.
        for _ in range(5):
            self.assertEqual(self.view.request("GET", "/api/status")[0], 200)
        for viewer in viewers:
            viewer.join(60)
        seconds = time.monotonic() - started
        after = self.view.status()
        self.assertEqual(errors, [])
        self.assertEqual(counts, [30] * 4)
        pictures = after["pictures"] - before["pictures"]
        # Every viewer got most of the pictures made meanwhile (one may be
        # skipped while the machine is busy), and the camera went on (a
        # viewer's first picture may be one of the few made before it
        # asked: frames wait in the encoder's hand-over).
        self.assertGreaterEqual(30 / pictures, 0.5, (pictures, seconds))
        self.assertGreaterEqual(after["frames"] - before["frames"], 26)
        stalled.close()
        self.view.wait_for(lambda s: s["viewers"] == 0, 15)

    def test_vanishing_viewers_and_the_limit(self):
        # Viewers that read a frame and disappear (a reset, no goodbye).
        for _ in range(3):
            sock = socket.create_connection(("127.0.0.1", self.view.port))
            sock.sendall(b"GET /stream.mjpg HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
            sock.recv(65536)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
            sock.close()
        self.view.wait_for(lambda s: s["viewers"] == 0, 15)
        # At most eight streams; the ninth is told so, and the API still
        # answers. The eight are read all along: a viewer that reads
        # nothing is let go after a few seconds, which a busy machine
        # could reach before all eight are open.
        streams = []
        readers = []

        def drain(sock):
            try:
                while sock.recv(65536):
                    pass
            except OSError:
                pass  # shut down under it

        for _ in range(8):
            sock = socket.create_connection(("127.0.0.1", self.view.port), timeout=FRAME_WAIT_S)
            sock.sendall(b"GET /stream.mjpg HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
            self.assertTrue(sock.recv(12).startswith(b"HTTP/1.1 200"))
            streams.append(sock)
            readers.append(threading.Thread(target=drain, args=(sock,), daemon=True))
            readers[-1].start()
        self.view.wait_for(lambda s: s["viewers"] == 8)
        status, _, body = self.view.request("GET", "/stream.mjpg")
        self.assertEqual(status, 503, body)
        self.assertEqual(self.view.request("GET", "/api/camera")[0], 200)
        for sock in streams:
            sock.shutdown(socket.SHUT_RDWR)
        for reader in readers:
            reader.join(30)
        for sock in streams:
            sock.close()
        self.view.wait_for(lambda s: s["viewers"] == 0, 15)
        self.assertIsNone(self.view.process.poll())

    def test_automatic_procedures(self):
        self.view.change(exposure=60)
        for kind in ("exposure", "gain", "white-balance"):
            version = self.view.status()["settings_version"]
            status, _, body = self.view.request("POST", "/api/auto", "kind=" + kind, FORM)
            self.assertEqual(status, 202, body)
            number = json.loads(body)["number"]
            final = self.view.wait_for(lambda s: s["job"]["number"] == number and
                                       s["job"]["state"] in ("done", "stopped", "failed"))
            self.assertEqual(final["job"]["state"], "done", final["job"])
            self.assertGreater(final["settings_version"], version)
        # The automatic exposure brought the picture near mid-grey.
        status, _, body = self.view.request("POST", "/api/auto", "kind=exposure", FORM)
        number = json.loads(body)["number"]
        final = self.view.wait_for(lambda s: s["job"]["number"] == number and
                                   s["job"]["state"] == "done")
        self.assertTrue(60 < mean_of(self.view.frame_after(final["settings_version"])) < 200)
        self.view.change(exposure=128, gain=404, red_gain=40, green_gain=32, blue_gain=44)

    def test_save(self):
        # The files carry the provenance `kmxcap snap` and `average` write.
        self.view.change(gain=300)
        for query, acquisition, frames in (("format=png", "snap", "1"),
                                           ("format=tiff&frames=3", "average", "3"),
                                           ("format=png&overlay=1", "snap", "1")):
            status, headers, body = self.view.request("GET", "/api/save?" + query)
            self.assertEqual(status, 200, body[:200])
            name = re.search(r'filename="(kmxcap-2001-[0-9-]+\.(png|tif))"',
                             headers["Content-Disposition"])
            self.assertTrue(name, headers)
            self.assertIn(body[:4], (b"\x89PNG", b"II*\x00", b"MM\x00*"))
            if Image is None:
                continue
            with Image.open(io.BytesIO(body)) as picture:
                picture.load()
                self.assertEqual((picture.size, picture.mode), ((1280, 1024), "RGB"), query)
                if picture.format == "PNG":
                    facts = picture.info
                else:
                    facts = dict(line.split(": ", 1) for line in
                                 picture.tag_v2[270].splitlines() if ": " in line)
            self.assertEqual((facts["Acquisition"], facts["Frames Averaged"],
                              facts["Camera Serial"], facts["Gain Index"]),
                             (acquisition, frames, "2001", "300"), query)
        self.view.change(gain=404)

    def test_stop_ends_a_long_save(self):
        # A stop is noticed while the capture waits for a frame: frames of
        # 100 ms keep it waiting, however slow the build adds them up.
        status, _, body = self.view.change(exposure=256)
        self.assertEqual(status, 200, body)
        self.addCleanup(self.view.change, exposure=128)
        result = {}

        def save():
            result["answer"] = self.view.request("GET", "/api/save?frames=256")

        saver = threading.Thread(target=save)
        saver.start()
        self.view.wait_for(lambda s: s["job"]["name"] == "save" and
                           s["job"]["state"] == "running")
        status, _, body = self.view.request("POST", "/api/stop", "", FORM)
        self.assertEqual(status, 200, body)
        saver.join(60)
        self.assertEqual(result["answer"][0], 409, result["answer"][2])
        # The live picture goes on.
        frames = self.view.status()["frames"]
        self.view.wait_for(lambda s: s["frames"] > frames + 3)


class MonochromeView(unittest.TestCase):
    """The monochrome camera (640 x 480 grey), shown as the library shows it."""

    @classmethod
    def setUpClass(cls):
        cls.view = View("--camera", "1", "--overlay", "crosshair",
                        env={"KMX_LOG": "camera:debug"})

    @classmethod
    def tearDownClass(cls):
        cls.view.stop()  # stopped already by the last test, unless it failed

    def test_grey_pictures_and_knobs(self):
        names = {k["name"] for k in self.view.json("/api/settings")["knobs"]}
        self.assertNotIn("red_gain", names)
        status, _, body = self.view.request("GET", "/frame.jpg")
        self.assertEqual(status, 200)
        if picture_size(body):
            self.assertEqual(picture_size(body), ((640, 480), "L"))
        status, _, body = self.view.request("GET", "/api/save")
        self.assertEqual(status, 200)
        if picture_size(body):
            self.assertEqual(picture_size(body), ((640, 480), "L"))
        # Shown the library's way: more light, higher values.
        status, _, body = self.view.change(exposure=100)
        dark = mean_of(self.view.frame_after(json.loads(body)["version"]))
        status, _, body = self.view.change(exposure=150)
        bright = mean_of(self.view.frame_after(json.loads(body)["version"]))
        self.assertGreater(bright, dark + 20)

    def test_refusals(self):
        for body in ("red_gain=10", "kind=white-balance"):
            path = "/api/settings" if "gain" in body else "/api/auto"
            status, _, answer = self.view.request("POST", path, body, FORM)
            self.assertEqual(status, 400, answer)

    def test_z_stops_cleanly_and_closes_the_camera(self):
        # Another view cannot take the same port.
        second = subprocess.run([KMXCAP, "view", "--port", str(self.view.port)],
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(second.returncode, 8, second.stderr)
        self.assertIn("cannot listen", second.stderr)
        # A viewer is still watching when Ctrl-C comes.
        connection = self.view.connection()
        connection.request("GET", "/stream.mjpg")
        read_parts(connection.getresponse(), 1)
        code, out, err = self.view.stop(signal.SIGINT)
        self.assertEqual(code, 0, err[-2000:])
        self.assertIn("stopped, camera closed", out)
        self.assertRegex(err, r"kmx_close\(")
        self.assertRegex(err, r"kmx_close_interface\(")
        connection.close()


if __name__ == "__main__":
    KMXCAP = sys.argv.pop(1)
    unittest.main(verbosity=2)
