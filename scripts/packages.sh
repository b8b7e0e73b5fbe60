# Debian packages each job needs; sourced by the job scripts.
# shellcheck disable=SC2034
BUILD_PACKAGES=(cmake g++ make pkg-config)
TEST_PACKAGES=(libgtest-dev locales)
# The velumor tool (libsndfile) and the main job's level measurement (sox).
TOOL_PACKAGES=(libsndfile1-dev sox)
