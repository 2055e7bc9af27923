#!/usr/bin/env bash
# Fuzz stage: builds the fuzz preset and runs the link-protocol decoder and
# reassembly under libFuzzer (ASan + UBSan) for a bounded time, printing the
# number of executions. FUZZ_SECONDS overrides the 60 s.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
seconds=${FUZZ_SECONDS:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target fuzz_mxprotocol fuzz_mxprotocol_seeds
bin=build/fuzz/bin
corpus=build/fuzz/corpus/mxprotocol
seeds=build/fuzz/seeds/mxprotocol
mkdir -p "$corpus" "$seeds"
"$bin/fuzz_mxprotocol_seeds" "$seeds"
log=build/fuzz/fuzz_mxprotocol.log
set +e
"$bin/fuzz_mxprotocol" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
  -print_final_stats=1 "$corpus" "$seeds" >"$log" 2>&1
rc=$?
set -e
tail -n 25 "$log"
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
echo "fuzz_mxprotocol: ${runs:-?} executions in ${seconds} s, exit ${rc}"
exit "$rc"
