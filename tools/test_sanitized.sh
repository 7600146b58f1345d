#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs the whole test suite there; any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash tools/setup.sh --deps-only
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARELO_SANITIZE=ON -DVARELO_BENCHMARKS=OFF
cmake --build build-sanitize -j"$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0:strict_string_checks=0"
export LSAN_OPTIONS="suppressions=$root/tools/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$root/tools/sanitizer/ubsan.supp"
cd build-sanitize
# The package test packs the Release build's program for users; an instrumented
# build is no package, so it runs in the Release suite only.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" -E '^package_installs_and_runs$' "$@"
