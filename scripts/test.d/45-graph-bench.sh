#!/usr/bin/env bash
# Graph drawing figures in a short run: render time per frame against a naive polyline.
set -euo pipefail
cd "$(dirname "$0")/../.."
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
bench=build/default/bin/graph_bench
if [ ! -x "$bench" ]; then
  cmake --build --preset default --target graph_bench
fi
"$bench" --short
