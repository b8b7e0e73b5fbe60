#!/usr/bin/env bash
# Builds the library and runs the main job: a tone converted from 22050 Hz to
# 8000 Hz and back. Usage: scripts/main.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

build=${1:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$(nproc)" --target convert_tone
"$build/examples/convert_tone"
