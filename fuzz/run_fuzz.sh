#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer + ASan + UBSan) in build-fuzz/
# (or ZARN_FUZZ_BUILD)
# and runs each, or only the TARGETs named.
#   --total SECONDS  the time shared out evenly among the targets run
#   --each SECONDS   the time of every target (a bare number means the same)
#   --jobs N         targets run at once (default 1)
#   --corpus DIR     keep each target's corpus in DIR/TARGET between runs
# Default: --each 20. For a long run: fuzz/run_fuzz.sh --each 600 --jobs 2
# ZARN_FUZZ_TIMEOUT (seconds, default 10) is how long one input may take:
# raise it on a busy machine, where a starved run would pass for a hang.
# Seeds: fuzz/seeds/TARGET/ and what fuzz_seeds_TARGET writes; a dictionary
# fuzz/TARGET.dict when there is one. Prints per target the executions and
# time; exits non-zero when any target found a problem and keeps its
# crashing input in the work folder it names.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZARN_FUZZ_BUILD:-$root/build-fuzz}

each=20
total=""
jobs=1
corpus_root=""
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --total) total=$2; shift 2 ;;
    --each) each=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --corpus) corpus_root=$2; shift 2 ;;
    [0-9]*) each=$1; shift ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

# A folder already configured with the fuzz targets (the test command's
# sanitizer build) is used as it is.
if ! grep -qs '^ZARN_FUZZ:BOOL=ON' "$build/CMakeCache.txt"; then
  CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZARN_FUZZ=ON -DZARN_TESTS=OFF -DZARN_WERROR=ON >/dev/null
fi
cmake --build "$build" --target fuzz_all -j2

if [ ${#targets[@]} -eq 0 ]; then
  for exe in "$build"/fuzz_*; do
    name=$(basename "$exe")
    case "$name" in fuzz_seeds_*) continue ;; esac
    targets+=("${name#fuzz_}")
  done
fi
if [ -n "$total" ]; then
  each=$(( total / ${#targets[@]} ))
  [ "$each" -ge 5 ] || each=5
fi

# Runs one target; its summary goes to $work/summary, the status to $work/status.
run_target() {
  local name=$1 work=$2
  mkdir -p "$work/seeds" "$work/run"
  local corpus="$work/corpus"
  if [ -n "$corpus_root" ]; then corpus="$corpus_root/$name"; fi
  mkdir -p "$corpus"
  [ -d "$root/fuzz/seeds/$name" ] && cp -r "$root/fuzz/seeds/$name/." "$work/seeds/"
  [ -x "$build/fuzz_seeds_$name" ] && "$build/fuzz_seeds_$name" "$work/seeds"
  local args=(-max_total_time="$each" -max_len=65536 -timeout="${ZARN_FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048
              -malloc_limit_mb=512 -print_final_stats=1 -artifact_prefix="$work/")
  [ -f "$root/fuzz/$name.dict" ] && args+=(-dict="$root/fuzz/$name.dict")
  # From an empty folder: nothing a target looks up beside its input is there.
  local status=0 started=$SECONDS
  (cd "$work/run" && "$build/fuzz_$name" "${args[@]}" "$corpus" "$work/seeds") \
    >"$work/log" 2>&1 || status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  echo "fuzz $name: ${runs:-?} executions in $((SECONDS - started))s, status $status" \
    >"$work/summary"
  echo "$status" >"$work/status"
}

echo "fuzzing ${#targets[@]} targets, ${each}s each, ${jobs} at a time"
declare -A works
failed=0
finish() {
  local name=$1 work=${works[$1]}
  cat "$work/summary"
  if [ "$(cat "$work/status")" != 0 ]; then
    tail -n 60 "$work/log" >&2
    echo "fuzz $name found a problem; inputs kept in $work" >&2
    failed=1
  else
    rm -rf "$work"
  fi
}
running=()
for name in "${targets[@]}"; do
  if [ ! -x "$build/fuzz_$name" ]; then
    echo "no fuzz target $name" >&2
    failed=1
    continue
  fi
  works[$name]=$(mktemp -d "${TMPDIR:-/tmp}/fuzz_$name.XXXXXX")
  run_target "$name" "${works[$name]}" &
  running+=("$name:$!")
  while [ ${#running[@]} -ge "$jobs" ]; do
    wait -n || true
    still=()
    for entry in "${running[@]}"; do
      if kill -0 "${entry#*:}" 2>/dev/null; then still+=("$entry"); else finish "${entry%%:*}"; fi
    done
    running=("${still[@]+"${still[@]}"}")
  done
done
for entry in "${running[@]+"${running[@]}"}"; do
  wait "${entry#*:}" || true
  finish "${entry%%:*}"
done
exit $failed
