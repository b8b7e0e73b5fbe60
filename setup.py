"""Builds the extension velumor._velumor from the libraries' own sources.

Every .cpp under src/ is compiled into the extension (no file list to keep in
step with the libraries), with include/ and src/ on the include path. The
version comes from CMakeLists.txt's project(... VERSION x.y.z).

VELUMOR_PYTHON_BUILD_DIR sets where setuptools keeps its objects (default
build/python); VELUMOR_BUILD_JOBS the parallel compiles (default 2).
"""

import os
import re
from pathlib import Path

from pybind11.setup_helpers import ParallelCompile, Pybind11Extension
from setuptools import setup

ROOT = Path(__file__).resolve().parent


def project_version() -> str:
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"project\s*\(\s*Velumor\b[^)]*?\bVERSION\s+([0-9][0-9.]*)", text, re.S)
    if not match:
        raise RuntimeError("CMakeLists.txt: no project(Velumor VERSION x.y.z)")
    return match.group(1)


def files(folder: str, pattern: str) -> list:
    # Relative paths, so that the objects land under the build folder.
    return sorted(p.relative_to(ROOT).as_posix() for p in (ROOT / folder).rglob(pattern))


def sources(folder: str) -> list:
    return files(folder, "*.cpp")


# A changed header rebuilds the extension (setuptools compares only these).
HEADERS = files("include", "*.h") + files("src", "*.h") + files("python/src", "*.h")


VERSION = project_version()

ParallelCompile("VELUMOR_BUILD_JOBS", default=2).install()

extension = Pybind11Extension(
    "velumor._velumor",
    sources("python/src") + sources("src"),
    include_dirs=["include", "src", "python/src"],
    define_macros=[("VELUMOR_VERSION", f'"{VERSION}"')],
    depends=HEADERS,
    cxx_std=17,
    # As the CMake Release build: optimised, no debug information.
    extra_compile_args=["-O3", "-g0"],
)

setup(
    version=VERSION,
    ext_modules=[extension],
    options={"build": {"build_base": os.environ.get("VELUMOR_PYTHON_BUILD_DIR", "build/python")}},
)
