# Debian packages each job needs; sourced by the job scripts.
# shellcheck disable=SC2034
BUILD_PACKAGES=(cmake g++ make pkg-config)
TEST_PACKAGES=(libgtest-dev locales)
ROBUSTNESS_PACKAGES=(valgrind clang libclang-rt-14-dev)
