#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DTB_SANITIZE=ON -DTB_BUILD_BENCH=OFF
cmake --build build-test -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 QT_QPA_PLATFORM=offscreen
# One case per core: several cases hold real-time waits (the 2-second port test, 150 ms pauses).
ctest --test-dir build-test -j"$(nproc)" --output-on-failure
