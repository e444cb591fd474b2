#!/usr/bin/env bash
# Builds every program and test with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ and runs the tests there.
# A memory error, a leak or undefined behaviour in a test program, or in a
# program a test starts, fails the case it happens in.
# tools/sanitize/*.supp name what is passed over, each entry with its reason.
#   tools/sanitize.sh [CTEST ARGUMENTS]
set -euo pipefail
cd "$(dirname "$0")/.."
supp="$PWD/tools/sanitize"
export QEL_BUILD_DIR=build-sanitize
export QEL_CMAKE_ARGS="${QEL_CMAKE_ARGS:-} -DQEL_SANITIZE=ON"
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export LSAN_OPTIONS="suppressions=$supp/leaks.supp:print_suppressions=0"
export UBSAN_OPTIONS="suppressions=$supp/undefined.supp:print_stacktrace=1:halt_on_error=1"
exec ./test "$@"
