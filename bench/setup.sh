#!/usr/bin/env bash
# Installs what the benchmarks need from Debian's packages (Google Benchmark,
# speexdsp, libsamplerate, soxr) and builds them in BUILD_DIR. A peer whose
# package cannot be installed is left out of the comparison, and CMake names
# it. Usage: bench/setup.sh [BUILD_DIR]   (default build-bench)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-deps.sh "${BUILD_PACKAGES[@]}"
for package in "${BENCH_PACKAGES[@]}"; do
  bash scripts/install-deps.sh "$package" || echo "Could not install $package: going on without it"
done

build=${1:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELUMOR_BUILD_BENCHMARKS=ON \
      -DVELUMOR_BUILD_TESTS=OFF -DVELUMOR_BUILD_EXAMPLES=OFF
cmake --build "$build" -j "$(nproc)"
echo "Built: $build/bench/velumor_benchmark (if Google Benchmark was found) and $build/bench/velumor_peer_comparison"
