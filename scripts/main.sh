#!/usr/bin/env bash
# The main job: builds the library and the velumor tool, converts the bundled
# speech sample from 22050 Hz to 8000 Hz and back, and reports the rates,
# lengths, time taken and the round trip's level difference in the speech
# band. Usage: scripts/main.sh [OUTPUT_DIR]   (default: build/main)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${TOOL_PACKAGES[@]}"

build=build
out=${1:-build/main}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELUMOR_BUILD_TOOLS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target velumor >/dev/null
mkdir -p "$out"

velumor=$build/tools/velumor/velumor
original=samples/speech-22050.wav
narrow=$out/speech-8000.wav
restored=$out/speech-roundtrip-22050.wav

echo "== $original"
"$velumor" info "$original"
echo "== 22050 Hz -> 8000 Hz -> 22050 Hz (built-in filters, 20 ms frames)"
"$velumor" convert "$original" "$narrow" --rate 8000 --force --verbose
"$velumor" convert "$narrow" "$restored" --rate 22050 --force --verbose

# Speech band of telephony, measured with sox's own filter.
band=300-3400
rms_db() { sox "$@" -n sinc "$band" stats 2>&1 | awk '/^RMS lev dB/ {print $4}'; }
before=$(rms_db "$original")
after=$(rms_db "$restored")
# The two files are aligned sample for sample, so their difference is the
# round trip's error (gain, frame edges and what the narrow band removes).
error=$(rms_db -m -v 1 "$original" -v -1 "$restored")
echo "== round trip in the speech band ($band Hz)"
awk -v b="$before" -v a="$after" -v e="$error" 'BEGIN {
  printf "level: original %.2f dBFS, round trip %.2f dBFS, difference %+.2f dB\n", b, a, a - b
  printf "error (original - round trip): %.2f dBFS, %.1f dB below the original\n", e, b - e
}'
echo "== listen: $original, then $narrow, then $restored"
