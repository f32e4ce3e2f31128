#!/usr/bin/env bash
# Builds everything and runs every test headless. With CI set (or --sanitize) the tests run a
# second time in a build with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEPTAL_WERROR=ON >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

if [ -n "${CI:-}" ] || [ "${1:-}" = "--sanitize" ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEPTAL_SANITIZE=ON -DZEPTAL_WERROR=ON >/dev/null
    cmake --build build-asan -j2
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    ctest --test-dir build-asan --output-on-failure -j2
fi
