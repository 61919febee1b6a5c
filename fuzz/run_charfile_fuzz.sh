#!/bin/bash
# Builds the character-file fuzzer with ASan+UBSan and runs it for SECONDS
# (default 20), seeded with the test characters. Exits non-zero on a finding.
# Usage: fuzz/run_charfile_fuzz.sh [SECONDS] [WORK_DIR]
set -euo pipefail
seconds=${1:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
work=${2:-$(mktemp -d /tmp/charfile_fuzz.XXXXXX)}
mkdir -p "$work/corpus" "$work/seeds" "$work/artifacts" "$work/run"
cxx=${CXX_FUZZ:-clang++}

sources=("$root"/src/charfile/*.cpp)
flags=(-std=c++20 -g -O1 -I"$root/src" -fno-omit-frame-pointer)
"$cxx" "${flags[@]}" "$root/fuzz/charfile_seeds.cpp" "${sources[@]}" -lpng -lz \
  -o "$work/charfile_seeds"
"$work/charfile_seeds" "$work/seeds"
"$cxx" "${flags[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  "$root/fuzz/charfile_fuzz.cpp" "${sources[@]}" -lpng -lz -o "$work/charfile_fuzz"

# Run from an empty folder: a web character's animation files are looked up
# beside it, and nothing should be found there.
cd "$work/run"
echo "charfile fuzz: ${seconds}s, work dir $work"
"$work/charfile_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
  -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/corpus" "$work/seeds"
