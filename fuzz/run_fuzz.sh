#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer + ASan + UBSan) in build-fuzz/
# and runs each for SECONDS (default 20), or only the TARGETs named.
# Seeds: fuzz/seeds/TARGET/ and what fuzz_seeds_TARGET writes; a dictionary
# fuzz/TARGET.dict when there is one. Exits non-zero on a finding and keeps
# the crashing input in the work folder it names.
# Usage: fuzz/run_fuzz.sh [SECONDS] [TARGET ...]
set -euo pipefail
seconds=${1:-20}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZARN_FUZZ_BUILD:-$root/build-fuzz}
CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZARN_FUZZ=ON -DZARN_TESTS=OFF -DZARN_WERROR=ON >/dev/null
cmake --build "$build" --target fuzz_all -j2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$build"/fuzz_*; do
    name=$(basename "$exe")
    case "$name" in fuzz_seeds_*) continue ;; esac
    targets+=("${name#fuzz_}")
  done
fi

for name in "${targets[@]}"; do
  work=$(mktemp -d "${TMPDIR:-/tmp}/fuzz_$name.XXXXXX")
  mkdir -p "$work/corpus" "$work/seeds" "$work/run"
  [ -d "$root/fuzz/seeds/$name" ] && cp -r "$root/fuzz/seeds/$name/." "$work/seeds/"
  [ -x "$build/fuzz_seeds_$name" ] && "$build/fuzz_seeds_$name" "$work/seeds"
  args=(-max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048
        -malloc_limit_mb=512 -print_final_stats=1 -artifact_prefix="$work/")
  [ -f "$root/fuzz/$name.dict" ] && args+=(-dict="$root/fuzz/$name.dict")
  echo "fuzz $name: ${seconds}s"
  # From an empty folder: nothing a target looks up beside its input is there.
  status=0
  (cd "$work/run" && "$build/fuzz_$name" "${args[@]}" "$work/corpus" "$work/seeds") \
    >"$work/log" 2>&1 || status=$?
  grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/log" || true
  if [ $status -ne 0 ]; then
    tail -n 60 "$work/log" >&2
    echo "fuzz $name found a problem; inputs kept in $work" >&2
    exit $status
  fi
  rm -rf "$work"
done
