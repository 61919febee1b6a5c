#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the headless-only
# sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer) and short
# fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

bash scripts/build.sh build -DZARN_WERROR=ON
(cd build && ctest --output-on-failure -j2)
# The Debian package: built, installed with apt, opened with xdg-open.
bash tests/package/deb_test.sh build

# The sanitizer build is the headless-only one: it shows that build
# configures and passes without Qt Widgets, FFmpeg, PocketSphinx, poppler,
# FluidSynth or X11, and the back ends' code is tested in the normal build.
# Leaks inside libraries we do not own are suppressed (tests/lsan.supp).
bash scripts/build.sh build-asan -DZARN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DZARN_WERROR=ON \
  -DZARN_DESKTOP=OFF -DZARN_RECORD=OFF -DZARN_LISTEN=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp" \
  ctest --output-on-failure -j2)

# Every fuzz target briefly: about four minutes shared among them.
bash fuzz/run_fuzz.sh --total "${ZARN_FUZZ_TOTAL_SECONDS:-240}"
echo "All tests passed."
