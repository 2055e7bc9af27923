#!/usr/bin/env bash
# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/../.."
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# Qt from Debian is not built for LeakSanitizer: its one-time allocations would drown real reports.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$(nproc)"
ctest --test-dir build/asan --output-on-failure -j "$(nproc)" --timeout 600
