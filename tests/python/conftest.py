"""Shared fixtures of the Python package's tests.

The C++ programs they compare against come from the CMake build in
VELUMOR_BUILD_DIR (default: build/ at the repository's root). When that
variable is set (scripts/python-test.sh sets it), a missing program is an
error; otherwise the tests that need it are skipped with the reason.
"""

import os
import subprocess
from pathlib import Path

import numpy as np
import pytest

ROOT = Path(__file__).resolve().parents[2]


def _program(relative: str) -> Path:
    build = os.environ.get("VELUMOR_BUILD_DIR")
    path = Path(build or ROOT / "build") / relative
    if not path.is_file():
        if build:
            pytest.fail(f"{path} is missing: build the project first (bash scripts/test.sh)")
        pytest.skip(f"{path} not built; set VELUMOR_BUILD_DIR to a CMake build of the project")
    return path


@pytest.fixture(scope="session")
def frame_reference():
    """Converts int16 frames with the C++ classes: run(args, samples) -> samples."""
    program = _program("tests/python/velumor_frame_reference")

    def run(args, samples: np.ndarray) -> np.ndarray:
        done = subprocess.run(
            [str(program), *map(str, args)],
            input=np.ascontiguousarray(samples, dtype=np.int16).tobytes(),
            capture_output=True,
            check=True,
        )
        return np.frombuffer(done.stdout, dtype=np.int16)

    return run


@pytest.fixture(scope="session")
def velumor_tool() -> Path:
    """The velumor command-line tool."""
    return _program("tools/velumor/velumor")
