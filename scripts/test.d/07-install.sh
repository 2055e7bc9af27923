#!/usr/bin/env bash
# The installed tree runs on its own: `cmake --install` into a temporary prefix, a
# connection test run from inside it (so it uses the installed simulator, device
# library and graph library), then the installed program started offscreen.
set -euo pipefail
cd "$(dirname "$0")/../.."
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
prefix=$(mktemp -d /tmp/zephyra-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install build/default --prefix "$prefix" >/dev/null
bin=$prefix/bin
missing=()
for f in zephyra marlix-sim libMarlixMFC.so libVarolGraphDLL.so libzplatform.so Spectrum.lgd IQData.lgd \
  img/PLAY-2.bmp img/fm97.bmp res/390.bmp res/430.bmp res/493.bmp; do
  [ -e "$bin/$f" ] || missing+=("$f")
done
if [ ${#missing[@]} -gt 0 ]; then
  printf 'install: missing from the installed tree: %s\n' "${missing[*]}"
  exit 1
fi
if ldd "$bin/zephyra" | grep -q 'not found'; then
  ldd "$bin/zephyra"; exit 1
fi
cp build/default/bin/connect_e2e_test "$bin/"
ctest_line=$("$bin/connect_e2e_test" --gtest_filter='ConnectE2E.CommandOrderOfAConnectionThenStatusEvery3s' 2>&1 | tail -n 3)
echo "$ctest_line"
echo "$ctest_line" | grep -q 'PASSED.*1 test' || { echo "install: connection from the installed tree failed"; exit 1; }
rm "$bin/connect_e2e_test"

# The program itself: it must come up and bind the graph library from its own folder.
export MARLIX_DISCOVERY_TARGETS=127.0.0.2 MARLIX_LOOPBACK_ONLY=1
"$bin/zephyra" >"$prefix/zephyra.log" 2>&1 &
pid=$!
sleep 3
alive=0; kill -0 "$pid" 2>/dev/null && alive=1
maps=$(cat "/proc/$pid/maps" 2>/dev/null || true)
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
if [ "$alive" -ne 1 ] || ! grep -q "$bin/libVarolGraphDLL.so" <<<"$maps" || ! grep -q "$bin/libMarlixMFC.so" <<<"$maps"; then
  echo "install: the installed program did not start with its own libraries"; cat "$prefix/zephyra.log"; exit 1
fi
echo "install: installed tree runs (program, simulator, both libraries, layouts, img/, res/)"
