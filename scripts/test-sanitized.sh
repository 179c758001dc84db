#!/usr/bin/env bash
# Builds the test suite with a sanitizer in a build directory of its own and
# runs it; any sanitizer report fails the run.
#
#   scripts/test-sanitized.sh address [build-dir]   (default build-asan)
#   scripts/test-sanitized.sh thread  [build-dir]   (default build-tsan)
#
# address: AddressSanitizer with UndefinedBehaviorSanitizer and the leak
#   checker, over every test: engine, command line and, unless
#   ASAN_WITH_UI=OFF, the desktop windows.
# thread: ThreadSanitizer over the tests that run threads: the run control
#   of the main window, the stress runs, the report windows, the live term
#   matrices read while the algorithms write them, the stop of an algorithm
#   from another thread and the command line's computing; and the desktop
#   windows that a run's threads report to, the settings window changed
#   while a run is on among them (TSAN_WITH_UI=OFF leaves them out).
#
# Of the program nothing is suppressed; the leak checker leaves out only what
# Graphviz keeps in its own allocator (tests/lsan-graphviz.supp). Qt is not built with ThreadSanitizer: the thread
# build leaves out what the toolkit's own code does (its raster engine fills
# and scales on a thread pool whose locks the sanitizer cannot see), while
# every access from the program's own code is still checked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
kind=${1:?usage: test-sanitized.sh address|thread [build-dir]}
jobs=${JOBS:-$(nproc)}

common=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMOR_WITH_BENCH=OFF -DVELMOR_WITH_PACKAGING=OFF -DVELMOR_SANITIZE="$kind")

case "$kind" in
address)
  build=${2:-build-asan}
  cmake -S . -B "$build" "${common[@]}" -DVELMOR_WITH_UI="${ASAN_WITH_UI:-ON}" > /dev/null
  cmake --build "$build" -j "$jobs"
  # abort_on_error: a report ends the test process at once with a failure;
  # detect_leaks: whatever a test leaves allocated at exit is a report too.
  export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  export LSAN_OPTIONS="suppressions=$root/tests/lsan-graphviz.supp"
  select=()
  ;;
thread)
  build=${2:-build-tsan}
  ui=${TSAN_WITH_UI:-ON}
  ui_tests=(velmor-ui-RunSettingsTest velmor-ui-MainWindowTest)
  [ "$ui" = ON ] || ui_tests=()
  cmake -S . -B "$build" "${common[@]}" -DVELMOR_WITH_UI="$ui" > /dev/null
  cmake --build "$build" -j "$jobs" --target velmor-engine-tests velmor-cli-tests velmor-cli "${ui_tests[@]}"
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1"
  # The tests in which more than one thread runs. TimeLimitReachedDuringTheRun
  # is left to the other builds: it waits for a second of the algorithms'
  # own execution time, which under ThreadSanitizer is many minutes of wall
  # time, and its threads are the same as in LimitTest and the stress runs.
  select=(
    -R '^(ControllerTest|RunControlStress|RunBounds|AutoResetEventStress|ReportWindows|EnrConcurrentReading|NprConcurrentReading)\.|^[A-Za-z]+/(ValidationTest|LimitTest)\.|^AllAlgorithms/AlgorithmEquivalence\.LiveTerms|^AddNewTerms\.MatrixReallocated|^Abraham\.StopFromAnotherThread|^(CliCompute|ComputeCommand|Interrupt)\.|^ui\.(RunSettingsTest|MainWindowTest)$'
    -E '^ControllerTest\.TimeLimitReachedDuringTheRun$'
  )
  ;;
*)
  echo "unknown sanitizer: $kind (address or thread)" >&2
  exit 2
  ;;
esac

cd "$build"
ctest --output-on-failure -j "$jobs" --no-tests=error "${select[@]}"
