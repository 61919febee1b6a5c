#!/usr/bin/env bash
# Script lines a second of the whole player, headless with its timeline on
# (bench_program's runs of 10,000 and 100,000 lines), and how time grows
# from one to the other (about 10 when start-up is small). Each build's
# zarnplay is measured side by side in one run, the first as "before":
#   bench/lines.sh BEFORE_BUILD_DIR [NOW_BUILD_DIR]
# Without NOW_BUILD_DIR, the player bench/run_bench.sh builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
before=${1:?usage: bench/lines.sh BEFORE_BUILD_DIR [NOW_BUILD_DIR]}
now=${2:-}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
ZARN_BENCH_BEFORE=$before/zarnplay ZARN_BENCH_PLAYER=${now:+$now/zarnplay} \
  "$root/bench/run_bench.sh" program --benchmark_filter='/(10000|100000)/' \
  --benchmark_repetitions="${ZARN_BENCH_RUNS:-5}" --benchmark_report_aggregates_only=true \
  --benchmark_out="$out" --benchmark_out_format=json >/dev/null
python3 - "$out" <<'PY'
import json, re, sys
rows = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name") != "median":
        continue
    player, kind, lines = re.match(r"BM_Program/(\w+)/(\w+)/(\d+)", b["name"]).groups()
    rows.setdefault((kind, player), {})[int(lines)] = (b["real_time"], b["cpu_ms"])
print(f"{'script':11} {'build':7} {'lines/s 10k':>12} {'lines/s 100k':>13} "
      f"{'cpu lines/s 100k':>17} {'100k/10k':>9}")
for (kind, player), r in sorted(rows.items(), key=lambda kv: (kv[0][0], kv[0][1] != "before")):
    if 10000 not in r or 100000 not in r:
        continue
    (w10, _), (w100, c100) = r[10000], r[100000]
    print(f"{kind:11} {player:7} {10000 / w10 * 1000:12,.0f} {100000 / w100 * 1000:13,.0f} "
          f"{100000 / c100 * 1000:17,.0f} {w100 / w10:9.1f}")
PY
