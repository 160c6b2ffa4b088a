#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Photon transfer from a dark frame and a flat frame.

Takes a dark frame (the mean of 16 deep frames at the camera's shortest
exposure) and two flat frames at one exposure, leaves out the pixels that
saturate, then sorts the others by signal into bins and prints, per bin, the signal above dark, the temporal
noise (from the difference of the two flat frames, so that the scene's
own pattern cancels) and the signal-to-noise ratio. A straight line
through variance against signal gives the conversion gain (the slope, in
DN per electron, since shot noise has the variance of its mean in
electrons) and the read noise (the intercept).

    /usr/bin/python3 examples/python/photon_transfer.py --exposure-us 1500

Runs against the simulated camera unless --camera-library or the
environment variable KMX_CAMERA_LIBRARY names another.
"""

import argparse

import numpy as np

import kmxcore


def robust_variance(values):
    """Variance from the median absolute deviation: pixels the scene's
    moving parts cross between the two frames do not count."""
    mad = np.median(np.abs(values - np.median(values)))
    return (1.4826 * mad) ** 2


def green_or_grey(frame):
    return frame[..., 1] if frame.ndim == 3 else frame


def take_frames(cam, exposure_us, depth):
    cam.depth = depth
    exposure_us = exposure_us or cam.exposure_us
    cam.exposure_us = cam.controls()["exposure_us"].min
    dark = cam.deep_average(16, depth).astype(np.float64)
    cam.exposure_us = exposure_us
    flat_a = cam.snap().astype(np.float64)
    flat_b = cam.snap().astype(np.float64)
    return green_or_grey(dark), green_or_grey(flat_a), green_or_grey(flat_b)


def transfer_table(dark, flat_a, flat_b, full_scale, bins):
    unsaturated = (flat_a < full_scale) & (flat_b < full_scale)
    signal = ((flat_a + flat_b) / 2 - dark)[unsaturated]
    difference = (flat_a - flat_b)[unsaturated]
    edges = np.quantile(signal, np.linspace(0.02, 0.98, bins + 1))
    rows = []
    for low, high in zip(edges[:-1], edges[1:]):
        chosen = (signal >= low) & (signal < high)
        if chosen.sum() < 100:
            continue
        mean = signal[chosen].mean()
        # A difference of two frames has twice the variance of one.
        variance = robust_variance(difference[chosen]) / 2
        rows.append((int(chosen.sum()), mean, variance))
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--camera", default=None, help='camera "ID:INDEX" (default: the first)')
    parser.add_argument("--camera-library", default=None, help='"sim", "aravis" or a file')
    parser.add_argument("--exposure-us", type=int, default=None,
                        help="exposure of the flat frames (default: the camera's)")
    parser.add_argument("--depth", type=int, default=12, help="10 or 12")
    parser.add_argument("--bins", type=int, default=8)
    args = parser.parse_args()

    with kmxcore.open(args.camera, camera_library=args.camera_library) as cam:
        dark, flat_a, flat_b = take_frames(cam, args.exposure_us, args.depth)
        print(f"camera {cam.id}: {cam.info.vendor} {cam.info.model}, {cam.width}x{cam.height}, "
              f"{args.depth}-bit, exposure {cam.exposure_us} us, gain index {cam.gain}")

    rows = transfer_table(dark, flat_a, flat_b, 2 ** args.depth - 1, args.bins)
    if len(rows) < 2:
        raise SystemExit("photon_transfer: too few unsaturated pixels; shorten the exposure")
    print(f"dark level {dark.mean():.1f} DN")
    print(f"{'pixels':>8} {'signal DN':>10} {'noise DN':>9} {'variance':>10} {'SNR':>7}")
    for pixels, mean, variance in rows:
        print(f"{pixels:8d} {mean:10.1f} {np.sqrt(variance):9.2f} {variance:10.1f} "
              f"{mean / np.sqrt(variance):7.1f}")
    signals = np.array([r[1] for r in rows])
    variances = np.array([r[2] for r in rows])
    slope, intercept = np.polyfit(signals, variances, 1)
    print(f"conversion gain {slope:.3f} DN/e- ({1 / slope:.3f} e-/DN), "
          f"read noise {np.sqrt(max(intercept, 0.0)):.2f} DN")


if __name__ == "__main__":
    main()
