#!/usr/bin/env bash
# Spectrum benchmark, short run: prints per-block figures next to FFTW. Never
# fails the run on a slow machine; only a missing or crashing binary counts.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bench="$root/build/default/bin/mxbench_spectrum"
if [ ! -x "$bench" ]; then
  echo "mxbench_spectrum not built (ZEPHYRA_BENCHMARKS off?); skipped"
  exit 0
fi
"$bench" --short
