#!/usr/bin/env bash
# CI: the test suite under ThreadSanitizer and under valgrind's memcheck, ten
# minutes of audio through the soak, and a minute of each fuzz target.
# About 5 minutes on 2 cores. Usage: scripts/ci-robustness.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${ROBUSTNESS_PACKAGES[@]}"
bash scripts/ensure-test-locale.sh
jobs=$(nproc)

echo "== ThreadSanitizer"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELUMOR_SANITIZE=thread
cmake --build build-tsan -j "$jobs"
# The installed-package consumer is built without sanitizers; it ran in the plain build.
ctest --test-dir build-tsan -j "$jobs" --output-on-failure -E installed_package_consumer

echo "== valgrind memcheck"
cmake -S . -B build-memcheck -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-memcheck -j "$jobs"
# nouserintercepts keeps the allocation-failure test's own operator new[].
for test in velumor_tests velumor_thread_tests velumor_allocation_tests; do
  echo "-- $test"
  valgrind -q --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
    --soname-synonyms=somalloc=nouserintercepts --suppressions=scripts/valgrind-gtest.supp \
    "build-memcheck/tests/$test" --gtest_brief=1
done

echo "== soak: ten minutes of audio"
build-memcheck/tests/soak/velumor_soak 600

echo "== fuzzing"
bash fuzz/run.sh 60
