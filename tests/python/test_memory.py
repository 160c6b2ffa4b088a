# SPDX-License-Identifier: Apache-2.0
"""No memory is lost over many acquisitions."""

import os

import pytest

from conftest import SANITIZED

PAGE = os.sysconf("SC_PAGE_SIZE")


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * PAGE


# AddressSanitizer holds freed memory back in quarantine, so the resident
# size grows there whatever the module does; it checks for leaks itself.
@pytest.mark.skipif(SANITIZED, reason="the sanitizers' quarantine grows the resident size")
@pytest.mark.parametrize("copy", [True, False])
def test_no_leak_over_1000_snaps(mono, copy):
    frame_bytes = mono.width * mono.height
    for _ in range(50):                      # the allocator settles
        mono.snap(copy=copy)
    before = resident_bytes()
    for _ in range(1000):
        frame = mono.snap(copy=copy)
    del frame
    grown = resident_bytes() - before
    # A leaked frame each time would be 300 MB; allow some allocator slack.
    assert grown < 20 * frame_bytes, f"resident size grew by {grown} bytes"
