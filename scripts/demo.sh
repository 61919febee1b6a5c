#!/usr/bin/env bash
# Sets up, builds and plays the bundled demo script headless with Fennet,
# the demo character the build draws into build/characters.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only the player and the character it plays, with the test command's flags:
# scripts/test.sh then finds these objects built in the same folder.
ZARN_BUILD_TARGETS="zarnplay demo_character" bash scripts/build.sh build -DZARN_WERROR=ON
ZARN_CHARACTERS="$PWD/build/characters" build/zarnplay --headless --idle-exit \
  --clock "2026-12-08 09:30:00" examples/demo.zrn "$@"
