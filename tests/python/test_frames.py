# SPDX-License-Identifier: Apache-2.0
"""Frames as arrays: shapes, types, order, polarity, averaging, depth."""

import numpy as np
import pytest

from conftest import COLOUR, MONO, SLOT

# Each acquisition: how to call it, its sample type and significant bits.
ACQUISITIONS = {
    "snap": (lambda cam, **kw: cam.snap(**kw), np.uint8, 8),
    "snap10": (lambda cam, **kw: cam.snap(10, **kw), np.uint16, 10),
    "snap12": (lambda cam, **kw: cam.snap(depth=12, **kw), np.uint16, 12),
    "snap_raw": (lambda cam, **kw: cam.snap_raw(**kw), np.uint16, 12),
    "average": (lambda cam, **kw: cam.average(4, **kw), np.uint8, 8),
    "deep_average": (lambda cam, **kw: cam.deep_average(3, depth=12, **kw), np.uint16, 12),
    "stream": (lambda cam, **kw: list(cam.stream(3, **kw))[-1], np.uint8, 8),
}


@pytest.mark.parametrize("kind", ACQUISITIONS)
@pytest.mark.parametrize("copy", [True, False])
def test_shape_type_and_ownership(cam, kind, copy):
    acquire, dtype, bits = ACQUISITIONS[kind]
    frame = acquire(cam, copy=copy)
    colour_layout = cam.colour and kind != "snap_raw"   # raw output is a mosaic
    shape = (cam.height, cam.width, 3) if colour_layout else (cam.height, cam.width)
    assert frame.shape == shape and frame.dtype == dtype
    assert frame.max() < 2 ** bits and frame.max() >= 2 ** (bits - 2)   # truly that deep
    if copy:
        assert frame.flags.owndata and frame.flags.c_contiguous and frame.flags.writeable
    elif kind in ("snap10", "snap12", "deep_average"):   # deep: a copy all the same
        assert frame.flags.owndata and not frame.flags.writeable
    else:
        assert frame.base is not None and not frame.flags.writeable
        assert np.array_equal(np.array(frame), frame)


@pytest.mark.parametrize("camera", [MONO, COLOUR])
@pytest.mark.parametrize("depth", [8, 10, 12])
@pytest.mark.parametrize("copy", [True, False])
def test_values_follow_the_test_pattern_in_rgb_order(sim, camera, depth, copy):
    import kmxcore
    with kmxcore.open(camera) as cam:
        cam.test_pattern = True
        frame = cam.snap(depth, copy=copy)
        points = [(0, 0), (1, 0), (0, 1), (17, 5), (cam.width - 1, cam.height - 1),
                  (cam.width // 2, cam.height // 3)]
        for x, y in points:
            for c in range(3 if cam.colour else 1):
                expected = sim.test_pattern_value(SLOT[camera], x, y, c, depth)
                got = frame[y, x, c] if cam.colour else frame[y, x]
                assert got == expected, f"({x}, {y}) component {c}"


def test_monochrome_values_read_the_same_whatever_the_acquisition(sim, mono):
    # Scripted frames are flat at 40 (in each output's units) before the
    # camera inverts them; every acquisition hands out 40.
    sim.script_flat_frames(40)
    frames = {"snap": mono.snap(), "average": mono.average(5), "snap12": mono.snap(12),
              "deep_average": mono.deep_average(2, 12), "stream": next(iter(mono.stream(1))),
              "view": mono.average(3, copy=False)}
    assert {name: int(f.min()) for name, f in frames.items()} == dict.fromkeys(frames, 40)
    assert {name: int(f.max()) for name, f in frames.items()} == dict.fromkeys(frames, 40)


@pytest.mark.parametrize("depth", [8, 12])
def test_averaging_cuts_the_noise(cam, depth):
    average = (lambda: cam.average(16)) if depth == 8 else (lambda: cam.deep_average(16, depth))

    def difference(take):
        # Noise of one frame minus another, robustly: the scene's moving
        # disc lies in a few rows, which the median leaves out.
        d = take().astype(float) - take().astype(float)
        return 1.4826 * np.median(np.abs(d - np.median(d)))

    noise_single = difference(lambda: cam.snap(depth))
    assert noise_single > 1.0
    # The mean of 16 frames has a quarter of the noise (plus rounding).
    assert difference(average) < 0.35 * noise_single


def test_deep_frames_asked_without_a_copy_outlive_the_next_acquisition(colour):
    # Each deep acquisition makes the library's deep image anew (at this
    # size, memory handed back to the system), so these must not be views.
    frames = [colour.snap(12, copy=False), colour.deep_average(2, 10, copy=False)]
    kept = [f.copy() for f in frames]
    colour.snap(10)
    colour.deep_average(2, 12)
    assert all(np.array_equal(f, k) for f, k in zip(frames, kept))
    assert frames[0].max() < 2 ** 12 and frames[1].max() < 2 ** 10


def test_views_stay_readable_after_close(sim):
    import kmxcore
    cam = kmxcore.open(COLOUR)
    view = cam.snap(copy=False)
    kept = view.copy()
    cam.close()
    assert cam.closed
    assert np.array_equal(view, kept)
