# SPDX-License-Identifier: Apache-2.0
"""The package as editors see it: version, docstrings, type hints."""

import ast
import pathlib
import re

import kmxcore


def test_version_is_the_library_version():
    assert re.fullmatch(r"\d+\.\d+\.\d+", kmxcore.__version__)


def test_type_hints_name_what_the_extension_has():
    # The stubs and the extension must not drift apart: every public name of
    # Camera and FrameStream is typed and documented, and nothing typed is
    # missing.
    package = pathlib.Path(kmxcore.__file__).parent
    assert (package / "py.typed").exists()
    stubs = ast.parse((package / "_kmxcore.pyi").read_text())
    for cls in (kmxcore.Camera, kmxcore.FrameStream):
        stub = next(n for n in stubs.body if isinstance(n, ast.ClassDef) and n.name == cls.__name__)
        typed = {n.name for n in stub.body if isinstance(n, ast.FunctionDef)}
        typed |= {n.target.id for n in stub.body if isinstance(n, ast.AnnAssign)}
        public = {name for name in dir(cls) if not name.startswith("_")}
        assert public == {name for name in typed if not name.startswith("_")}
        for name in public:
            assert getattr(cls, name).__doc__, f"{cls.__name__}.{name} has no docstring"
    for name in kmxcore.__all__:
        assert getattr(kmxcore, name).__doc__, f"kmxcore.{name} has no docstring"
