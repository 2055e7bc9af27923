#!/usr/bin/env bash
# ThreadSanitizer stage: the device library, its codec and the simulated instrument
# built without Qt under -fsanitize=thread, and the library's tests run there.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
jobs=$(nproc)
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target test_marlixmfc test_marlixsim test_measure marlix-sim
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
export MARLIX_LOOPBACK_ONLY=1
export MARLIX_DISCOVERY_TARGETS=127.0.0.2,127.0.0.3
ctest --test-dir build/tsan -L "marlixmfc|measure" --output-on-failure -j "$jobs" --timeout 300 --no-tests=error
