#!/usr/bin/env bash
# Installs what is needed, builds with AddressSanitizer and UndefinedBehaviorSanitizer, runs
# the whole test suite, then runs the threaded update-engine tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-deps.sh

jobs=$(nproc)
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDUSKMERE_SANITIZE=address,undefined
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 300

# ThreadSanitizer cannot share a binary with AddressSanitizer: a second, smaller build.
tsan=build/tsan
cmake -S . -B "$tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDUSKMERE_SANITIZE=thread \
  -DDUSKMERE_BUILD_DESKTOP=OFF
cmake --build "$tsan" -j "$jobs" --target threaded_tests
if ctest --test-dir "$tsan" -N -L threaded | grep -q 'Total Tests: [1-9]'; then
  TSAN_OPTIONS=halt_on_error=1 ctest --test-dir "$tsan" --output-on-failure -L threaded \
    -j "$jobs" --timeout 300
fi
