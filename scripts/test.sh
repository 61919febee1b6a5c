#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, the headless-only
# sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer) and short
# fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

stage() { echo "== $1 ($((SECONDS / 60)) min $((SECONDS % 60)) s)"; }
stage "the normal build"
bash scripts/build.sh build -DZARN_WERROR=ON
stage "its tests"
# The desktop's entries wait on real time more than they compute: they run
# side by side, after the headless ones.
(cd build && ctest --output-on-failure -j2 -LE desktop && ctest --output-on-failure -j3 -L desktop)
stage "the package"
# The Debian package: built, installed with apt, opened with xdg-open.
bash tests/package/deb_test.sh build

# The sanitizer build is the headless-only one: it shows that build
# configures and passes without Qt Widgets, FFmpeg, PocketSphinx, poppler,
# FluidSynth or X11, and the back ends' code is tested in the normal build.
# It is built with clang and holds the fuzz targets too, so the libraries
# are instrumented once for both. Leaks inside libraries we do not own are
# suppressed (tests/lsan.supp). -O1 with line tables only: it compiles a
# fifth faster and still names every frame of a report.
stage "the sanitizer build"
CXX=clang++ bash scripts/build.sh build-asan -DZARN_FUZZ=ON -DZARN_WERROR=ON \
  -DZARN_DESKTOP=OFF -DZARN_RECORD=OFF -DZARN_LISTEN=OFF \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only -DNDEBUG"
stage "its tests"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp" \
  ctest --output-on-failure -j2)

# Every fuzz target briefly: two minutes shared among them.
stage "fuzzing"
ZARN_FUZZ_BUILD="$PWD/build-asan" bash fuzz/run_fuzz.sh --total "${ZARN_FUZZ_TOTAL_SECONDS:-120}"
stage "done"
echo "All tests passed."
