#!/usr/bin/env bash
# CI for the benchmarks: they must build, and each program must run briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash bench/setup.sh build-bench
./build-bench/bench/velumor_benchmark --benchmark_filter='down/.*/builtin35/20ms' \
  --benchmark_min_time=0.01
./build-bench/bench/velumor_peer_comparison 1 >/dev/null
