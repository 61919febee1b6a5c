#!/usr/bin/env bash
# Builds ZARNPlay into build/ (or the folder given); only the targets named
# in ZARN_BUILD_TARGETS (blank-separated) when it is set.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=()
for t in ${ZARN_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" -j2 "${targets[@]}"
