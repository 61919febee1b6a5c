#!/usr/bin/env bash
# Start-up budgets of the headless player, side by side for each program
# given (e.g. the main checkout's build and this one):
#   bench/startup.sh [--check] BUILD_DIR...
# wall time of --version and of a two-line headless script (hyperfine), the
# shared libraries a headless run maps and its resident memory. With
# --check, fails when the last build misses a budget.
set -euo pipefail
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
[ $# -ge 1 ] || { echo "usage: $0 [--check] BUILD_DIR..." >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[ZARN Script]\nVersion=7.0\n\n[Script]\nBGCOLOR #2A284E\nBGCOLOR #000000\n' >"$work/two.zrn"
# Speaks on the wall clock long enough to be looked at.
printf '[ZARN Script]\nVersion=7.0\n\n[Characters]\nFennet=Fennet.acs\n[Script]\nFennet.Show\nFennet.Speak "%s"\n' \
  "Hello, this sentence takes a moment to say." >"$work/wait.zrn"

printf '%-40s %12s %12s %8s %10s\n' build "--version ms" "script ms" "libs" "RSS MB"
for build in "$@"; do
  exe=$build/zarnplay
  ms() {
    hyperfine -N -w 3 -r "${ZARN_BENCH_RUNS:-30}" --export-json "$work/h.json" "$@" >/dev/null 2>&1
    python3 -c "import json,sys; print(round(json.load(open(sys.argv[1]))['results'][0]['median']*1000,1))" "$work/h.json"
  }
  version=$(ms "$exe --version")
  script=$(ms "$exe --headless --idle-exit $work/two.zrn")
  ZARN_CHARACTERS=$build/characters "$exe" --headless --realtime --idle-exit "$work/wait.zrn" >/dev/null 2>&1 &
  pid=$!
  sleep 0.5
  libs=$(grep -oE '/[^ ]+\.so[.0-9]*$' "/proc/$pid/maps" | sort -u | wc -l)
  wait "$pid" || true
  /usr/bin/time -f '%M' -o "$work/rss" "$exe" --headless --idle-exit "$work/two.zrn" >/dev/null 2>&1
  rss=$(tail -1 "$work/rss")
  rss=$(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }')
  printf '%-40s %12s %12s %8s %10s\n' "$build" "$version" "$script" "$libs" "$rss"
done
if [ $check = 1 ]; then
  awk -v v="$version" -v s="$script" -v l="$libs" -v r="$rss" 'BEGIN {
    bad = (v > 10) + (s > 30) + (l > 40) + (r > 15)
    if (bad) print "over budget: --version <= 10 ms, script <= 30 ms, <= 40 libraries, <= 15 MB"
    exit bad > 0 }'
fi
