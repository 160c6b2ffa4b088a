# SPDX-License-Identifier: Apache-2.0
"""The records and the error kmxcore hands out."""

from typing import NamedTuple, Optional, Tuple, Union


class CameraError(Exception):
    """A camera operation failed: nothing (no array) came of it.

    Attributes:
        operation: what was asked ("snap", "average", "opening camera 1:0").
        result: the capture's result by name ("CAPTURE_ERROR_13",
            "CAPTURE_FAILED", "CAPTURE_AUTO_FAILED", ...), or None when the
            failure did not come from an acquisition.
        result_code: the same as a number, or None.
        status: the status of the last camera-library call that failed
            during the operation (0: none did).
        status_name: that status by name ("KMX_ERR_INJECTED"), or "".
        call: that call with its arguments, or "".
        aborted: True when abort(), stop() or Ctrl-C ended the operation.
    """

    def __init__(self, message: str, *, operation: str = "", result: Optional[str] = None,
                 result_code: Optional[int] = None, status: int = 0, status_name: str = "",
                 call: str = "", aborted: bool = False) -> None:
        super().__init__(message)
        self.operation = operation
        self.result = result
        self.result_code = result_code
        self.status = status
        self.status_name = status_name
        self.call = call
        self.aborted = aborted


Value = Union[int, bool, Tuple[int, int, int]]


class Control(NamedTuple):
    """One setting of a camera, as Camera.controls() lists it.

    white_balance holds (red, green, blue) triples; switches hold bools.
    """

    name: str
    value: Value
    min: Value
    max: Value
    default: Value
    unit: str  # "us", "index", "bits", or "" for switches


class CameraInfo(NamedTuple):
    """A camera as kmxcore.cameras() lists it."""

    id: str                         # "1:0": what kmxcore.open(camera=...) takes
    camera_id: int
    camera_index: int
    vendor: str
    model: str
    serial: int
    width: int                      # full sensor, pixels
    height: int
    binned_size: Tuple[int, int]    # (width, height) of binned readout
    preview_size: Tuple[int, int]   # (width, height) of preview readout
    depths: Tuple[int, ...]         # component depths offered: 8, 10, 12
    capabilities: Tuple[str, ...]   # "colour", "preview", "binning", "test-mode", ...
    colour: bool
