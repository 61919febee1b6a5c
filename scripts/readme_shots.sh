#!/usr/bin/env bash
# Remakes the README's desktop pictures: two examples played under a private
# display, the screen taken seven seconds in. Needs a build in build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export ZARN_CHARACTERS=$root/build/characters ZARN_INSTANCE_DIR=$(mktemp -d)
"$root/tests/desktop/with_display.sh" bash -c '
  cd "$0/examples"
  for pair in backdrop-and-music:desktop-backdrop hello:desktop-hello; do
    "$0/build/zarnplay" "${pair%%:*}.zrn" >/dev/null 2>&1 &
    sleep 7
    import -window root "$0/docs/${pair##*:}.png"
    wait
  done' "$root"
