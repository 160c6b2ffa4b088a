# SPDX-License-Identifier: Apache-2.0
"""The camera waits without the interpreter's lock: stop() and abort() from
another thread, a busy camera, and Ctrl-C."""

import os
import signal
import threading
import time

import pytest

import kmxcore

NEVER = 2 ** 32 - 1   # busy polls before a virtual frame completes: it never does
PATIENCE_S = 20.0     # what any wait below may take at most, sanitizers included

# Acquisitions that wait for the camera, and how a stop ends them.
WAITS = {
    "snap": lambda cam: cam.snap(),
    "snap12": lambda cam: cam.snap(12),
    "snap_raw": lambda cam: cam.snap_raw(),
    "average": lambda cam: cam.average(8),
    "deep_average": lambda cam: cam.deep_average(4, 12),
    "stream": lambda cam: list(cam.stream(4)),
}


def wait_until(condition):
    deadline = time.monotonic() + PATIENCE_S
    while not condition():
        assert time.monotonic() < deadline, "waited in vain"
        time.sleep(0.002)


class Worker(threading.Thread):
    """Runs one acquisition and keeps what it returned or raised."""

    def __init__(self, work):
        super().__init__(daemon=True)
        self.work, self.result, self.error = work, None, None

    def run(self):
        try:
            self.result = self.work()
        except BaseException as e:   # noqa: B036 - handed to the test
            self.error = e


@pytest.mark.parametrize("kind", WAITS)
def test_abort_from_another_thread(sim, mono, kind):
    sim.virtual_clock(NEVER)
    worker = Worker(lambda: WAITS[kind](mono))
    worker.start()
    # The main thread runs while the worker waits in the library: the
    # interpreter's lock is free.
    wait_until(lambda: mono.busy)
    with pytest.raises(RuntimeError, match="busy"):
        mono.snap()
    with pytest.raises(RuntimeError, match="busy"):
        mono.gain = 3
    assert mono.width == 640                      # plain facts need no camera
    mono.abort()
    worker.join(PATIENCE_S)
    assert isinstance(worker.error, kmxcore.CameraError) and worker.error.aborted
    assert worker.error.result == "CAPTURE_FAILED"
    sim.virtual_clock(0)
    sim.script_flat_frames(9)
    assert WAITS[kind](mono) is not None          # the abort is spent
    assert mono.snap().max() == 9                 # and the camera as it was


def test_stop_ends_a_stream_after_its_frame(sim, mono):
    sim.virtual_clock(20000)
    frames = []

    def collect():
        for frame in mono.stream():
            frames.append(frame)

    worker = Worker(collect)
    worker.start()
    wait_until(lambda: len(frames) >= 2)
    mono.stop()
    worker.join(PATIENCE_S)
    assert worker.error is None and not worker.is_alive()
    count = len(frames)
    assert count >= 2 and not mono.busy
    assert len(list(mono.stream(2))) == 2        # the stop is spent


@pytest.mark.parametrize("kind", ["average", "deep_average"])
def test_stop_ends_an_averaging_without_a_result(sim, mono, kind):
    sim.virtual_clock(NEVER)
    worker = Worker(lambda: WAITS[kind](mono))
    worker.start()
    wait_until(lambda: mono.busy)
    mono.stop()
    worker.join(PATIENCE_S)
    assert isinstance(worker.error, kmxcore.CameraError) and worker.error.aborted


def test_close_from_another_thread_aborts_the_acquisition(sim):
    cam = kmxcore.open("2:0")
    sim.virtual_clock(NEVER)
    worker = Worker(lambda: cam.average(16))
    worker.start()
    wait_until(lambda: cam.busy)
    cam.close()
    worker.join(PATIENCE_S)
    assert cam.closed and isinstance(worker.error, kmxcore.CameraError)


@pytest.mark.parametrize("kind", WAITS)
def test_ctrl_c_aborts_cleanly(sim, mono, kind):
    acquire = WAITS[kind]
    sim.virtual_clock(NEVER)
    timer = threading.Timer(0.2, os.kill, (os.getpid(), signal.SIGINT))
    started = time.monotonic()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            acquire(mono)
    finally:
        timer.cancel()
    assert time.monotonic() - started < PATIENCE_S
    assert not mono.busy
    sim.virtual_clock(0)
    sim.script_flat_frames(9)
    assert mono.average(2).max() == 9 and mono.snap().max() == 9
