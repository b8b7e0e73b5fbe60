#!/usr/bin/env bash
# CI: the unit tests on processors this machine is not, under qemu-user: an
# x86-64 with AVX2 and FMA but no AVX-512 (-cpu Haswell), one without AVX
# (-cpu Nehalem, whose SSE3 and SSE4 the library does not use), and, cross-built
# with Debian's g++-aarch64-linux-gnu, a 64-bit ARM processor. Each run names
# in VELUMOR_EXPECT_BEST_PATH the path the run-time dispatch must pick there
# (tests/kernels/dispatch_test.cpp); a processor model qemu lacks fails the job.
# About 2 minutes on 2 cores. Usage: scripts/ci-emulation.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${EMULATION_PACKAGES[@]}"
bash scripts/ensure-test-locale.sh
jobs=$(nproc)
build=build-emulation
arm_sysroot=/usr/aarch64-linux-gnu
toolchain=$PWD/cmake/toolchains/aarch64-linux-gnu.cmake
# What the unit tests need of the project; the tool and examples stay out.
library_only=(-DCMAKE_BUILD_TYPE=Release -DVELUMOR_BUILD_TOOLS=OFF -DVELUMOR_BUILD_EXAMPLES=OFF)

# Runs velumor_tests under an emulator (the command before --) expecting the
# named path: first the dispatch test alone, which must pass rather than be
# skipped or missing, then the whole binary.
emulate() {
  local expect=$1
  shift
  local emulator=()
  while [ "$1" != -- ]; do emulator+=("$1"); shift; done
  shift
  local tests=$1 start=$SECONDS log
  echo "-- ${emulator[*]} $tests, expecting the $expect path"
  log=$(VELUMOR_EXPECT_BEST_PATH=$expect "${emulator[@]}" "$tests" --gtest_filter='DispatchTest.*' \
        2>&1) || { echo "$log"; return 1; }
  if ! grep -q '^\[       OK \] DispatchTest\.' <<<"$log"; then
    echo "$log"
    echo "error: the dispatch test did not run and pass under ${emulator[*]}"
    return 1
  fi
  # qemu warns about each CPUID flag of the model that it does not emulate.
  VELUMOR_EXPECT_BEST_PATH=$expect "${emulator[@]}" "$tests" --gtest_brief=1 2>&1 |
    grep -v "TCG doesn't support requested feature"
  echo "   $((SECONDS - start)) s under emulation"
}

echo "== x86-64 under qemu"
start=$SECONDS
cmake -S . -B "$build/x86_64" "${library_only[@]}" >/dev/null
cmake --build "$build/x86_64" -j "$jobs" --target velumor_tests >/dev/null
echo "   built in $((SECONDS - start)) s"
x86_tests=$build/x86_64/tests/velumor_tests
emulate avx2 qemu-x86_64 -cpu Haswell -- "$x86_tests"
emulate sse2 qemu-x86_64 -cpu Nehalem -- "$x86_tests"

echo "== aarch64 under qemu"
start=$SECONDS
# GoogleTest from Debian's sources (libgtest-dev), cross-built into a prefix
# that the library's build then finds instead of the host's.
gtest_prefix=$PWD/$build/aarch64/googletest-install
cmake -S /usr/src/googletest -B "$build/aarch64/googletest" --toolchain "$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON \
  -DCMAKE_INSTALL_PREFIX="$gtest_prefix" >/dev/null
cmake --build "$build/aarch64/googletest" -j "$jobs" >/dev/null
cmake --install "$build/aarch64/googletest" >/dev/null
cmake -S . -B "$build/aarch64/velumor" --toolchain "$toolchain" "${library_only[@]}" \
  -DCMAKE_FIND_ROOT_PATH="$gtest_prefix" >/dev/null
cmake --build "$build/aarch64/velumor" -j "$jobs" --target velumor_tests >/dev/null
echo "   built in $((SECONDS - start)) s"
emulate neon qemu-aarch64 -L "$arm_sysroot" -- "$build/aarch64/velumor/tests/velumor_tests"
