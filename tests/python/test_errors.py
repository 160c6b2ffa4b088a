# SPDX-License-Identifier: Apache-2.0
"""Failures raise CameraError with what the library said; opening, listing,
closing and sharing the camera library."""

import os

import pytest

import kmxcore
from conftest import COLOUR, MONO

INJECTED = 12     # KMX_ERR_INJECTED
FAILED_13 = 13    # KMX_FRAME_FAILED_13
FAILED_16 = 16    # KMX_FRAME_FAILED_16

# (faulty function, status, acquisition, result, call named)
FAULTS = [
    ("kmx_check_for_complete", FAILED_13, lambda c: c.snap(), "CAPTURE_ERROR_13", ""),
    ("kmx_check_for_complete", FAILED_16, lambda c: c.snap(12), "CAPTURE_ERROR_16", ""),
    ("kmx_check_for_complete", INJECTED, lambda c: c.snap_raw(), "CAPTURE_FAILED", ""),
    ("kmx_start_frame_index", INJECTED, lambda c: c.snap(), "CAPTURE_FAILED",
     "kmx_start_frame_index("),
    ("kmx_check_start_next", FAILED_16, lambda c: c.average(8), "CAPTURE_ERROR_16", ""),
    ("kmx_check_start_next", FAILED_13, lambda c: next(iter(c.stream(4))), "CAPTURE_ERROR_13",
     ""),
    ("kmx_start_frame", INJECTED, lambda c: c.deep_average(4, 12), "CAPTURE_FAILED",
     "kmx_start_frame("),
    ("kmx_set_param", INJECTED, lambda c: c.snap_raw(), "CAPTURE_FAILED", "kmx_set_param("),
    ("kmx_auto_exp_index_ex", INJECTED, lambda c: c.auto_exposure(), "CAPTURE_AUTO_FAILED", ""),
    ("kmx_auto_gain_index", INJECTED, lambda c: c.auto_gain(), "CAPTURE_AUTO_FAILED", ""),
]


@pytest.mark.parametrize("function, status, acquire, result, call", FAULTS,
                         ids=[f"{f[0]}-{f[3]}" for f in FAULTS])
def test_faults_raise_camera_error_never_an_array(sim, mono, function, status, acquire, result,
                                                  call):
    sim.fail(function, status)
    with pytest.raises(kmxcore.CameraError) as raised:
        acquire(mono)
    error = raised.value
    assert (error.result, error.status, error.aborted) == (result, status, False)
    assert error.call.startswith(call or function + "(")
    assert error.status_name and error.status_name in str(error)
    assert result in str(error)
    # Nothing is left behind: the same camera works once the fault is gone.
    sim.clear_faults()
    assert acquire(mono) is not None


def test_open_and_listing_failures(sim):
    with pytest.raises(kmxcore.CameraError, match="opening camera 9:0 failed") as raised:
        kmxcore.open("9:0")
    assert raised.value.status != 0 and raised.value.result is None
    sim.fail("kmx_open_interface", INJECTED)
    for attempt in (lambda: kmxcore.open(), lambda: kmxcore.cameras()):
        with pytest.raises(kmxcore.CameraError) as raised:
            attempt()
        assert raised.value.status == INJECTED
    sim.clear_faults()
    for bad, error in [("1:x", ValueError), ("1:2:3", ValueError), ("-1", ValueError),
                       ((1, -2), ValueError), (1.5, TypeError), (True, TypeError)]:
        with pytest.raises(error):
            kmxcore.open(bad)


@pytest.mark.parametrize("name", [MONO, "1", 1, (1, 0)])
def test_camera_names(sim, name):
    with kmxcore.open(name) as cam:
        assert cam.id == MONO


def test_listing(sim):
    listed = kmxcore.cameras()
    assert [c.id for c in listed] == [MONO, COLOUR]
    mono, colour = listed
    assert (mono.width, mono.height, mono.colour, mono.depths) == (640, 480, False, (8, 10, 12))
    assert (colour.binned_size, colour.preview_size) == ((640, 512), (640, 512))
    assert "colour" in colour.capabilities and "binning" in mono.capabilities
    with kmxcore.open(COLOUR) as cam:
        # A camera held open is still listed, as it was described at open.
        assert kmxcore.cameras() == listed
        assert cam.info == colour


def test_the_camera_closes_whatever_happens(sim):
    sim.record()
    with pytest.raises(ZeroDivisionError):
        with kmxcore.open(MONO) as cam:
            cam.snap()
            1 / 0
    assert cam.closed
    assert sim.count_calls("kmx_close") == 1
    assert sim.count_calls("kmx_close_interface") == 1
    for use in (lambda: cam.snap(), lambda: cam.gain, lambda: setattr(cam, "gain", 1),
                lambda: cam.controls(), lambda: cam.stream(1).__next__()):
        with pytest.raises(ValueError, match="camera 1:0 is closed"):
            use()
    cam.close()                                   # twice is harmless
    assert "closed" in repr(cam)
    with kmxcore.open(MONO) as again:             # closed, so it opens again
        assert again.snap() is not None
    # Dropped without close(): closed all the same.
    kmxcore.open(MONO)
    assert sim.count_calls("kmx_close") == 3


def test_cameras_share_one_camera_library(sim):
    sim.record()
    first = kmxcore.open(MONO)
    second = kmxcore.open(COLOUR)
    first.close()
    assert second.snap().shape == (1024, 1280, 3)  # the instance is still open
    assert sim.count_calls("kmx_close_interface") == 0
    with pytest.raises(kmxcore.CameraError, match="close every camera first"):
        kmxcore.open(MONO, camera_library="aravis")
    second.close()
    assert sim.count_calls("kmx_open_interface") == 1
    assert sim.count_calls("kmx_close_interface") == 1


@pytest.mark.skipif(os.environ.get("KMX_HAVE_ARAVIS") != "1", reason="kmxaravis is not built")
def test_the_camera_library_is_chosen_by_name(sim):
    # Aravis' in-process fake camera is camera 3:0 of kmxaravis.
    listed = kmxcore.cameras(camera_library="aravis")
    assert "3:0" in [c.id for c in listed]
    with kmxcore.open("3:0", camera_library="aravis") as cam:
        assert "Fake" in cam.info.vendor + cam.info.model
        frame = cam.snap()
        assert frame.shape[:2] == (cam.height, cam.width) and frame.dtype == "uint8"
        with pytest.raises(kmxcore.CameraError, match="close every camera first"):
            kmxcore.open(MONO, camera_library="sim")
    with pytest.raises(kmxcore.CameraError) as raised:
        kmxcore.open(camera_library="/nonexistent/libnothing.so")
    assert "libnothing" in str(raised.value)
    assert kmxcore.open(MONO).id == MONO          # the default again: the simulator
