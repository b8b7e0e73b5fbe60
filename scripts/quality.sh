#!/usr/bin/env bash
# Measures the converters beside the peers and regenerates the quality page:
# the CSV files in BUILD_DIR/quality, the plots in docs/images and the tables
# in docs/quality.md. Filters made by `velumor design` for 48000 -> 16000 Hz
# and 16000 -> 48000 Hz are measured too when the build tree has that tool.
# Usage: scripts/quality.sh [BUILD_DIR]    (UP_FACTOR: design factor, default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
bash scripts/install-deps.sh "${BUILD_PACKAGES[@]}" "${QUALITY_PACKAGES[@]}"

build=${1:-build}
data="$build/quality"
# Debian's interpreter, which has the numpy and matplotlib installed above.
python=/usr/bin/python3

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$(nproc)" --target velumor_measure
rm -rf "$data"
mkdir -p "$data"
measure="$build/tools/measure/velumor_measure"
"$measure" --out "$data"

# The design tool is built when libsndfile is there (the build says so).
velumor="$build/tools/velumor/velumor"
if cmake --build "$build" -j "$(nproc)" --target velumor >/dev/null 2>&1 && [ -x "$velumor" ]; then
  down_file="$data/design_48000_16000.txt"
  up_file="$data/design_16000_48000.txt"
  up_factor=${UP_FACTOR:-3}
  "$velumor" design --from 48000 --to 16000 --out "$down_file"
  "$velumor" design --from 16000 --to 48000 --factor "$up_factor" --out "$up_file"
  "$measure" --out "$data" --down-file 48000 16000 "$(grep -c '[0-9]' "$down_file")" "$down_file"
  "$measure" --out "$data" --up-file 16000 48000 "$up_factor" "$(grep -c '[0-9]' "$up_file")" "$up_file"
else
  echo "quality: the velumor tool is not built (libsndfile missing);" \
       "the designed 48000 <-> 16000 Hz filters are not measured"
fi

"$python" docs/plot_quality.py --data "$data"
