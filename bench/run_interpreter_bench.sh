#!/usr/bin/env bash
# Builds and runs the interpreter benchmark (optimised build in build-bench/).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARN_BENCH=ON -DZARN_TESTS=OFF >/dev/null
cmake --build build-bench --target bench_interpreter -j2
build-bench/bench_interpreter "$@"
