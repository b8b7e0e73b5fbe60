#!/usr/bin/env bash
# Builds every fuzz/*_fuzzer.cpp with clang (libFuzzer, ASan, UBSan) against
# the library's sources and runs each for SECONDS, one after the other.
# Exits non-zero on any finding; the input that caused it is saved as
# build-fuzz/artifacts/<target>-crash-... (replay: build-fuzz/<target> FILE).
# Usage: fuzz/run.sh SECONDS [extra libFuzzer flags, e.g. -jobs=2]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS [libFuzzer flags]}
shift

command -v clang++ >/dev/null && [ -n "$(ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ] ||
  bash scripts/install-deps.sh clang libclang-rt-14-dev

out=build-fuzz
mkdir -p "$out/artifacts" "$out/tmp"
# The targets' scratch coefficient files go here rather than into /tmp.
export TMPDIR=$PWD/$out/tmp
flags=(-std=c++17 -O1 -g -Iinclude -Isrc -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=all -fno-omit-frame-pointer)

# Every source of both libraries, wherever under src/ it lives.
mapfile -t sources < <(find src -name '*.cpp' | sort)
targets=()
for source in fuzz/*_fuzzer.cpp; do
  name=$(basename "$source" .cpp)
  echo "== building $name"
  clang++ "${flags[@]}" "$source" "${sources[@]}" -o "$out/$name"
  targets+=("$name")
done

for name in "${targets[@]}"; do
  corpus=${name%_fuzzer}
  dirs=("$out/corpus/$corpus")
  mkdir -p "${dirs[0]}"
  [ -d "fuzz/corpus/$corpus" ] && dirs+=("fuzz/corpus/$corpus")
  echo "== running $name for ${seconds}s"
  # New inputs go to the first (build) directory; the seeds stay as they are.
  "$out/$name" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 \
    -malloc_limit_mb=1024 -timeout=30 -dict=fuzz/coefficients.dict \
    -artifact_prefix="$out/artifacts/$name-" "$@" "${dirs[@]}"
done
echo "== fuzzing found nothing"
