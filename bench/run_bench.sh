#!/usr/bin/env bash
# Builds the benchmarks optimised in build-bench/ and runs one of them:
# interpreter, charengine, charfile, eval, profile, program, record, service or desktop (under
# tests/desktop/with_display.sh); extra flags go
# to it.
# Usage: bench/run_bench.sh NAME [benchmark flags]
# ZARN_BENCH_BEFORE=/path/to/other/zarnplay bench/run_bench.sh program measures
# that build's player side by side with this one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=${1:?usage: bench/run_bench.sh NAME [flags]}
shift
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZARN_BENCH=ON -DZARN_TESTS=OFF >/dev/null
cmake --build "$root/build-bench" --target "bench_$name" -j2
"$root/build-bench/bench_$name" "$@"
