#!/usr/bin/env bash
# Builds the structure reader's libFuzzer target with clang and runs it for
# the given number of seconds (default 600). The seeds are the bundled
# examples, copied at run time; the corpus it grows and any input that made
# it fail stay in the build directory (artifacts/).
#
#   scripts/fuzz.sh [seconds]        FUZZ_BUILD=build-fuzz by default
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-600}
build=${FUZZ_BUILD:-build-fuzz}

cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ > /dev/null
cmake --build "$build"

seeds="$build/seeds"
rm -rf "$seeds"
mkdir -p "$seeds" "$build/corpus" "$build/artifacts"
cp examples/*.dsm "$seeds/"

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
echo "Fuzzing the structure reader for ${seconds} s"
# -timeout: an input that takes longer than this counts as a hang.
exec "$build/structure-reader-fuzzer" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -dict=tests/fuzz/structure.dict -artifact_prefix="$build/artifacts/" \
  "$build/corpus" "$seeds"
