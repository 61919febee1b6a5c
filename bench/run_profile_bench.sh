#!/bin/sh
# Builds and runs the profile reader benchmark (needs libbenchmark-dev).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
out=${TMPDIR:-/tmp}/zarn_profile_bench
g++ -std=c++20 -O2 -DNDEBUG -DZARN_VERSION_MAJOR=7 -DZARN_VERSION_MINOR=0 -DZARN_VERSION_REVISION=10 \
  -I"$root/src" "$root/bench/profile_bench.cpp" "$root"/src/util/*.cpp "$root"/src/errortrap/*.cpp \
  -lbenchmark -lpthread -o "$out"
"$out" "$@"
