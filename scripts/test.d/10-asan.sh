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
# Start and exit of the program leak nothing, also where a display has no session bus (where
# libdbus leaks its attempt to start one, if we ask for the bus): this run keeps leak detection
# on, offscreen, with no suppression. On a display Qt itself asks for the bus (its D-Bus menu
# bar, the AT-SPI bridge); for the program run there under ASan, scripts/lsan.supp holds that
# one leak of the library's own (LSAN_OPTIONS=suppressions=scripts/lsan.supp with
# ASAN_OPTIONS=fast_unwind_on_malloc=0).
env -u DBUS_SESSION_BUS_ADDRESS DISPLAY=:77 ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
  build/asan/bin/app_test --gtest_filter='AppStartup.*' >/dev/null
echo "asan: start and exit of the program leak nothing"
