#!/usr/bin/env bash
# Builds the Python package into a virtual environment under BUILD_DIR and
# runs its tests with Debian's pytest. BUILD_DIR is a CMake build of the
# project: the tests compare against its C++ programs.
# Usage: scripts/python-test.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
venv=$build/python-venv

[ -x "$venv/bin/python" ] || /usr/bin/python3 -m venv --system-site-packages "$venv"
VELUMOR_PYTHON_BUILD_DIR="$build/python" \
  "$venv/bin/python" -m pip install --no-build-isolation --no-index --quiet .
# pytest exits with 5 when it collects no test, which fails this script too.
VELUMOR_BUILD_DIR="$build" "$venv/bin/python" -m pytest -p no:cacheprovider -q -rs tests/python
