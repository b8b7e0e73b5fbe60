#!/usr/bin/env bash
# Compares the ABI of a freshly built libVelumor.so with the committed
# baseline (abi/libVelumor.abi) and fails on any change: exported symbols,
# their versions, or the size and layout of CDownSampler and CUpSampler.
# Types that only the library sees (the engines behind the classes' private
# pointers) are left out, so retuning a kernel never shows here.
# Usage: scripts/ci-abi.sh [--update]   (--update writes a new baseline, for a
# deliberate new major version only; see the README)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${ABI_PACKAGES[@]}"

build=build-abi
# Debug information describes the classes' layout to libabigail.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELUMOR_BUILD_TESTS=OFF \
      -DVELUMOR_BUILD_TOOLS=OFF -DVELUMOR_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target Velumor >/dev/null
library=$(readlink -f "$build/src/libVelumor.so")
baseline=abi/libVelumor.abi
dump=(abidw --headers-dir include --drop-private-types --no-corpus-path --no-comp-dir-path
      --short-locs)

if [ "${1:-}" = "--update" ]; then
  mkdir -p abi
  "${dump[@]}" "$library" --out-file "$baseline"
  echo "wrote $baseline from $library"
  exit 0
fi

"${dump[@]}" "$library" --out-file "$build/libVelumor.abi"
if abidiff "$baseline" "$build/libVelumor.abi"; then
  echo "ABI: libVelumor matches $baseline"
else
  echo "ABI: libVelumor differs from $baseline (abidiff above); a change to the" \
       "exported classes needs a new major version (README, 'ABI')" >&2
  exit 1
fi
