#!/usr/bin/env bash
# Builds the expression fuzzer (libFuzzer + ASan + UBSan) straight from the
# sources and runs it for SECONDS (default 60). Exits non-zero on a finding
# and keeps the work folder with the crashing input.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/eval_fuzz.XXXXXX")"

clang++ -std=c++20 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root/src" \
  "$root/fuzz/eval_fuzz.cpp" \
  "$root/src/eval/CEval.cpp" "$root/src/eval/CStack.cpp" \
  "$root/src/eval/EvaluateCoordinate.cpp" "$root/src/util/VbString.cpp" \
  -o "$work/eval_fuzz"

mkdir -p "$work/corpus"
i=0
for seed in "2+3*4" "(2+3)*4" "2^3^2" "-2^2" "2*-3" "-(2)" "1/0" "5." ".5" "1.2.3" \
  "((1)" "Pip.Left + Pip.Width / 2" "-Pip.Left" "Ghost.Top*2" "10^400" "-8^(1/3)"; do
  printf '%s' "$seed" > "$work/corpus/seed$i"
  i=$((i + 1))
done
cat > "$work/eval.dict" <<'DICT'
"("
")"
"+"
"-"
"*"
"/"
"^"
"."
" "
"Pip.Left"
"Pip.Top"
"pip.width"
"PIP.HEIGHT"
"Ghost.Left"
DICT

status=0
"$work/eval_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -dict="$work/eval.dict" -artifact_prefix="$work/" -print_final_stats=1 \
  "$work/corpus" || status=$?

if [[ $status -ne 0 ]]; then
  echo "eval fuzzer found a problem; inputs kept in $work" >&2
  exit "$status"
fi
rm -rf "$work"
echo "eval fuzzer: no findings in ${seconds}s"
