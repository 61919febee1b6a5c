#!/usr/bin/env bash
# Builds the coordinate-expression benchmark with g++ -O2 straight from the
# sources and runs it; extra arguments go to Google Benchmark.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/eval_bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

g++ -std=c++20 -O2 -DNDEBUG -Wall -Wextra -Werror -I"$root/src" \
  "$root/bench/eval_bench.cpp" \
  "$root/src/eval/CEval.cpp" "$root/src/eval/CStack.cpp" \
  "$root/src/eval/EvaluateCoordinate.cpp" "$root/src/util/VbString.cpp" \
  -lbenchmark -pthread -o "$work/eval_bench"

"$work/eval_bench" "$@"
