# Debian packages each job needs; sourced by the job scripts.
# shellcheck disable=SC2034
BUILD_PACKAGES=(cmake g++ make pkg-config)
TEST_PACKAGES=(libgtest-dev locales)
# scripts/quality.sh: the peers measured beside Velumor and the plotting.
QUALITY_PACKAGES=(pkg-config libspeexdsp-dev libsamplerate0-dev libsoxr-dev python3-numpy
                  python3-matplotlib)
ROBUSTNESS_PACKAGES=(valgrind clang libclang-rt-14-dev)
# scripts/ci-emulation.sh: other processors under qemu, and the aarch64 cross compiler.
EMULATION_PACKAGES=(qemu-user g++-aarch64-linux-gnu libc6-dev-arm64-cross)
# The benchmarks: Google Benchmark and the peer resamplers they measure.
BENCH_PACKAGES=(libbenchmark-dev libspeexdsp-dev libsamplerate0-dev libsoxr-dev python3-matplotlib)
# The Python package (built offline with Debian's pybind11 and setuptools),
# its tests and its corpus example.
PYTHON_PACKAGES=(python3-dev python3-venv python3-setuptools python3-wheel python3-pybind11
                 python3-numpy python3-pytest python3-soundfile python3-distributed)
# The velumor tool (libsndfile) and the main job's level measurement (sox).
TOOL_PACKAGES=(libsndfile1-dev sox)
# The ABI check against the committed baseline (scripts/ci-abi.sh).
ABI_PACKAGES=(abigail-tools)
