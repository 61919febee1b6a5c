#!/usr/bin/env bash
# Sets up, builds and plays the bundled demo script headless with Fennet,
# the demo character the build draws into build/characters.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
ZARN_CHARACTERS="$PWD/build/characters" build/zarnplay --headless --idle-exit \
  --clock "2026-12-08 09:30:00" examples/demo.zrn "$@"
