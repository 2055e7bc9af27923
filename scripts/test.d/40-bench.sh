#!/usr/bin/env bash
# Spectrum benchmark, short run: per-block figures next to FFTW. Prints only;
# a slow machine never fails the run.
set -euo pipefail
cd "$(dirname "$0")/../.."
bench=build/default/bin/mxbench_spectrum
if [ ! -x "$bench" ]; then
  cmake --build --preset default --target mxbench_spectrum
fi
"$bench" --short
# The whole measurement road on loopback (simulator -> link -> spectrum -> GUI-thread sink).
road=build/default/bin/mxbench_road
if [ ! -x "$road" ]; then
  cmake --build --preset default --target mxbench_road
fi
"$road" --short
# A folder of 5000 files over the link (simulator -> fragments -> reassembly -> GUI-thread sink).
listing=build/default/bin/mxbench_listing
if [ ! -x "$listing" ]; then
  cmake --build --preset default --target mxbench_listing
fi
"$listing" --short
# The bench session's playback with the link pulled (a short run; 10 minutes with no option).
soak=build/default/bin/mxbench_soak
if [ ! -x "$soak" ]; then
  cmake --build --preset default --target mxbench_soak
fi
"$soak" --short
# The whole program: main frame and both measurement windows offscreen against marlix-sim.
program=build/default/bin/mxbench_program
if [ ! -x "$program" ]; then
  cmake --build --preset default --target mxbench_program
fi
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$program" --short
# Status and transfer floods against the whole program: lag and menu waits during and after.
flood=build/default/bin/mxbench_flood
if [ ! -x "$flood" ]; then
  cmake --build --preset default --target mxbench_flood
fi
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$flood" --seconds 3
