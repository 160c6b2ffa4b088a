# SPDX-License-Identifier: Apache-2.0
"""kmxcore: digital cameras from Python, frames as NumPy arrays.

    import kmxcore
    with kmxcore.open() as cam:
        cam.exposure_us = 5000
        mean = cam.average(16)          # uint8, H x W (or H x W x 3, RGB)

Frames are NumPy arrays that own their memory (copy=False gives a
read-only view of the library's buffer instead, valid until the camera's
next acquisition; deep frames, whose buffer the next deep acquisition
frees, are copied all the same, read-only): uint8 for 8-bit frames, uint16 for deep (10- and
12-bit) and raw frames. Monochrome values read as the library shows them,
so that with the camera's default inversion more light gives higher
values.

The camera waits without holding the interpreter's lock, so other threads
run meanwhile; one of them may call cam.stop() or cam.abort(). Ctrl-C
aborts a running acquisition and raises KeyboardInterrupt. A failed
operation raises CameraError; a setting outside the camera's limits
raises ValueError naming them.

The camera library is the simulator unless camera_library= (or the
environment variable KMX_CAMERA_LIBRARY) names another: "aravis" for
GigE Vision and USB3 Vision cameras, or the file of a library.
"""

from typing import List, Optional, Tuple, Union

from ._types import CameraError, CameraInfo, Control
from ._kmxcore import Camera, FrameStream, version as _library_version
from . import _kmxcore

__all__ = ["Camera", "CameraError", "CameraInfo", "Control", "FrameStream", "cameras", "open"]

__version__: str = _library_version()

CameraName = Union[str, int, Tuple[int, int]]


def _camera_words(camera: CameraName) -> Tuple[int, int]:
    """(id, index) of "1:0", "1", 1 or (1, 0)."""
    if isinstance(camera, tuple) and len(camera) == 2:
        words = camera
    elif isinstance(camera, int) and not isinstance(camera, bool):
        words = (camera, 0)
    elif isinstance(camera, str):
        parts = camera.split(":")
        if len(parts) > 2 or not all(p.strip().isdigit() for p in parts):
            raise ValueError(f"camera {camera!r}: valid \"ID\" or \"ID:INDEX\", e.g. \"1:0\"")
        words = (int(parts[0]), int(parts[1]) if len(parts) == 2 else 0)
    else:
        raise TypeError(f"camera takes \"ID:INDEX\", an int or an (id, index) pair, "
                        f"not {type(camera).__name__}")
    if not all(isinstance(w, int) and 0 <= w <= 0xFFFFFFFF for w in words):
        raise ValueError(f"camera {camera!r}: id and index are 0..4294967295")
    return words


def open(camera: Optional[CameraName] = None, *,  # noqa: A001 - the module's verb
         camera_library: Optional[str] = None) -> Camera:
    """Opens a camera (the first one the library offers when camera is None).

    camera: "ID:INDEX" ("1:0"), "ID", an int id, or an (id, index) pair.
    camera_library: "sim", "aravis" or a library file; None leaves the
    choice to KMX_CAMERA_LIBRARY (default: the simulator). Cameras open at
    the same time share one camera library.

    Use the camera in a with block, which closes it whatever happens.
    Raises CameraError when the camera or its library cannot be opened.
    """
    library = camera_library or ""
    if camera is None:
        return _kmxcore.open_camera(library, True, 0, 0)
    camera_id, camera_index = _camera_words(camera)
    return _kmxcore.open_camera(library, False, camera_id, camera_index)


def cameras(camera_library: Optional[str] = None) -> List[CameraInfo]:
    """Every camera of the camera library, in the order of id and index.

    Cameras this process holds open are listed too. Raises CameraError
    when the camera library cannot be opened.
    """
    return _kmxcore.list_cameras(camera_library or "")
