# SPDX-License-Identifier: Apache-2.0
"""Settings as properties within the camera's limits, and controls()."""

import pytest

import kmxcore

# (camera, property, refused value, error, words the message must hold)
REFUSED = [
    ("mono", "gain", 1024, ValueError, "gain 1024 is out of range: valid 0..1023"),
    ("mono", "gain", -1, ValueError, "valid 0..1023"),
    ("mono", "gain", 10 ** 30, ValueError, "valid 0..1023"),
    ("mono", "black_level", 256, ValueError, "black_level 256 is out of range: valid 0..255"),
    ("mono", "exposure_us", 9, ValueError, "exposure_us 9 is out of range: valid 10..100000"),
    ("mono", "exposure_us", 100001, ValueError, "valid 10..100000"),
    ("mono", "depth", 14, ValueError, "depth 14 is not offered: valid 8, 10 or 12"),
    ("mono", "white_balance", (32, 32, 32), ValueError, "monochrome"),
    ("colour", "white_balance", (32, 128, 32), ValueError,
     "white_balance green 128 is out of range: valid 0..127"),
    ("colour", "white_balance", (1, 2), ValueError, "three values"),
    ("mono", "binning", 2, ValueError, "binning is a switch: valid True or False"),
    ("mono", "gain", "7", TypeError, "gain takes an int"),
    ("mono", "gain", 7.0, TypeError, "gain takes an int"),
    ("mono", "invert", None, TypeError, "invert takes True or False"),
]


@pytest.mark.parametrize("camera, name, value, error, words", REFUSED)
def test_out_of_range_values_are_refused_and_change_nothing(request, camera, name, value, error,
                                                             words):
    cam = request.getfixturevalue(camera)
    before = cam.controls()
    with pytest.raises(error) as raised:
        setattr(cam, name, value)
    assert words in str(raised.value)
    assert cam.controls() == before


def test_a_missing_capability_is_refused(sim):
    # A camera without binning, preview or test pattern: the monochrome
    # preset with those capability bits taken away, in place of slot 0.
    import ctypes
    lib = sim.lib
    desc = ctypes.create_string_buffer(4096)
    assert lib.kmxsim_get_camera(0, desc) == 0
    caps = ctypes.c_uint32.from_buffer(desc, 8)
    caps.value &= ~(0x2000 | 0x4000 | 0x8000)
    assert lib.kmxsim_set_camera(0, desc) == 0
    with kmxcore.open("1:0") as cam:
        for name, words in [("binning", "binned readout"), ("preview", "preview readout"),
                            ("test_pattern", "test pattern")]:
            with pytest.raises(ValueError, match=f"offers no {words}: valid False"):
                setattr(cam, name, True)
            setattr(cam, name, False)
            assert cam.controls()[name].max is False


def test_values_are_taken_and_reach_the_frames(sim, mono, colour):
    mono.gain = 500
    mono.black_level = 0
    mono.exposure_us = 5000
    assert (mono.gain, mono.black_level) == (500, 0)
    # The nearest exposure the camera offers: 64 steps a decade.
    assert abs(mono.exposure_us - 5000) <= 5000 * 0.019
    colour.white_balance = (10, 20, 30)
    assert colour.white_balance == (10, 20, 30)

    # Readout sizes follow the switches; the frames have them.
    for binning, preview, size in [(True, False, (240, 320)), (False, True, (240, 320)),
                                   (False, False, (480, 640))]:
        mono.binning = binning
        mono.preview = preview
        assert (mono.binning, mono.preview) == (binning, preview)
        assert (mono.height, mono.width) == size
        assert mono.snap().shape == size
    mono.binning = True
    mono.preview = True        # preview clears binning
    assert (mono.binning, mono.preview) == (False, True)

    # Without the camera's inversion a monochrome frame reads the other
    # way round; averages never go through it.
    sim.script_flat_frames(40)
    mono.invert = False
    assert (mono.snap().max(), mono.average(2).max()) == (255 - 40, 40)
    mono.invert = True
    assert mono.snap().max() == 40


def test_controls_list_every_setting_with_limits_and_default(mono, colour):
    controls = mono.controls()
    assert list(controls) == ["exposure_us", "gain", "black_level", "depth", "binning",
                              "preview", "invert", "test_pattern"]
    assert controls["gain"] == kmxcore.Control("gain", 281, 0, 1023, 281, "index")
    assert controls["exposure_us"][1:] == (1000, 10, 100000, 1000, "us")
    assert controls["depth"][1:] == (8, 8, 12, 8, "bits")
    assert controls["invert"][1:] == (True, False, True, True, "")
    mono.gain = 7
    mono.depth = 12
    assert (mono.controls()["gain"].value, mono.controls()["depth"].value) == (7, 12)
    assert mono.snap().dtype.itemsize == 2          # the depth property sets snap()'s
    wb = colour.controls()["white_balance"]
    assert wb == kmxcore.Control("white_balance", (40, 32, 44), (0, 0, 0), (127, 127, 127),
                                 (40, 32, 44), "index")
    assert colour.controls()["invert"].default is False


def test_automatic_procedures_settle_values_the_properties_show(colour):
    exposure_us, gain = colour.auto_exposure()
    assert (colour.exposure_us, colour.gain) == (exposure_us, gain)
    assert colour.auto_gain() == colour.gain
    balance = colour.auto_white_balance((0, 0, 640, 512))
    assert colour.white_balance == balance
    for region in [(0, 0, 0, 10), (1200, 0, 100, 10), (-1, 0, 5, 5), (0, 0, 1)]:
        with pytest.raises(ValueError):
            colour.auto_white_balance(region)
