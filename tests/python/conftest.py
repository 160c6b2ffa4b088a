# SPDX-License-Identifier: Apache-2.0
"""Fixtures of the Python tests: the simulated camera library under control.

The simulator's control functions (kmxsim_control.h) are no part of the
kmxcore module; the tests reach them through ctypes, in the very library
the module's cameras use: KMXSIM_LIBRARY names its file in the build tree
(ctest sets it), an installed package has it beside the extension.
"""

import ctypes
import os
import pathlib

import pytest

import kmxcore

MONO = "1:0"      # 640 x 480, 8/10/12-bit, preview, binning, test pattern
COLOUR = "2:0"    # 1280 x 1024, the same, colour
SLOT = {MONO: 0, COLOUR: 1}
SANITIZED = os.environ.get("KMX_SANITIZED") == "1"


def _library_file():
    named = os.environ.get("KMXSIM_LIBRARY")
    if named:
        return named
    beside = sorted(pathlib.Path(kmxcore.__file__).parent.glob("libkmxsim.so*"))
    if not beside:
        pytest.exit("libkmxsim not found: set KMXSIM_LIBRARY", returncode=2)
    return str(beside[0])


class Simulator:
    """The control functions of the simulated camera library."""

    def __init__(self, path):
        self.lib = ctypes.CDLL(path)
        self.lib.kmxsim_fn_name.restype = ctypes.c_char_p
        self.lib.kmxsim_test_pattern_value.restype = ctypes.c_uint32
        self.lib.kmxsim_call_count.restype = ctypes.c_size_t
        self.lib.kmxsim_count_calls.restype = ctypes.c_size_t
        self.fn = {}
        for i in range(256):
            name = self.lib.kmxsim_fn_name(i).decode()
            if name == "?":
                break
            self.fn[name] = i

    def reset(self):
        self.lib.kmxsim_reset()

    def virtual_clock(self, polls_per_frame=0):
        """Frames complete after that many busy polls; nothing sleeps."""
        self.lib.kmxsim_use_virtual_clock(1, ctypes.c_uint(polls_per_frame))

    def fail(self, function, status, times=0, skip=0):
        """Makes kmx_<function> answer status (times 0: every call)."""
        self.lib.kmxsim_fail(self.fn[function], status, times, skip)

    def clear_faults(self):
        self.lib.kmxsim_clear_faults()

    def script_flat_frames(self, *values):
        array = (ctypes.c_uint32 * len(values))(*values)
        self.lib.kmxsim_script_flat_frames(array, len(values))

    def test_pattern_value(self, slot, x, y, component, depth):
        return self.lib.kmxsim_test_pattern_value(slot, x, y, component, depth)

    def record(self, on=True):
        self.lib.kmxsim_record(1 if on else 0)

    def count_calls(self, function):
        return self.lib.kmxsim_count_calls(self.fn[function])


_SIMULATOR = None


@pytest.fixture
def sim():
    """The simulator, back at its start before and after each test."""
    global _SIMULATOR
    if _SIMULATOR is None:
        _SIMULATOR = Simulator(_library_file())
    _SIMULATOR.reset()
    _SIMULATOR.virtual_clock()
    yield _SIMULATOR
    _SIMULATOR.reset()


@pytest.fixture
def mono(sim):
    with kmxcore.open(MONO) as cam:
        yield cam


@pytest.fixture
def colour(sim):
    with kmxcore.open(COLOUR) as cam:
        yield cam


@pytest.fixture(params=[MONO, COLOUR])
def cam(request, sim):
    with kmxcore.open(request.param) as camera:
        yield camera
