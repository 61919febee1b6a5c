#!/bin/bash
# Builds and runs the character-engine benchmark (Google Benchmark, -O2).
# Usage: bench/run_charengine_bench.sh [extra benchmark flags]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${CHARENGINE_BENCH_DIR:-$(mktemp -d /tmp/charengine_bench.XXXXXX)}
mkdir -p "$work"
g++ -std=c++20 -O2 -DNDEBUG -I"$root/src" "$root/bench/charengine_bench.cpp" \
  "$root"/src/charengine/*.cpp "$root"/src/charfile/*.cpp "$root"/src/util/VbString.cpp "$root"/src/util/WinPath.cpp \
  -lbenchmark -lpthread -lpng -lz -o "$work/charengine_bench"
"$work/charengine_bench" "$@"
