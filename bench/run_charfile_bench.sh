#!/bin/bash
# Builds and runs the character-file benchmark (Google Benchmark, -O2).
# Usage: bench/run_charfile_bench.sh [extra benchmark flags]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${CHARFILE_BENCH_DIR:-$(mktemp -d /tmp/charfile_bench.XXXXXX)}
mkdir -p "$work"
g++ -std=c++20 -O2 -DNDEBUG -I"$root/src" "$root/bench/charfile_bench.cpp" \
  "$root"/src/charfile/*.cpp -lbenchmark -lpthread -lpng -lz -o "$work/charfile_bench"
"$work/charfile_bench" "$@"
