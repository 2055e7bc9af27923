#!/usr/bin/env bash
# Source checks: formatting, and the layering rules between the targets.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/format --check
# Layering: the device library, the simulator and the graph library stand apart
# from the program's Qt layer; the device library and the simulator use no Qt at all.
layer=$(git grep -n -E '#include\s*[<"](platform|app|mainframe|controls|views|settings|res)/' \
  -- src/device src/marlixmfc src/sim src/winbase src/graph || true)
qt=$(git grep -n -E '#include\s*<Q' -- src/device src/marlixmfc src/sim src/winbase || true)
if [ -n "$layer$qt" ]; then
  printf 'layering: a lower layer includes a header it must not:\n%s\n%s\n' "$layer" "$qt"
  exit 1
fi
echo "layering: device library, simulator and graph library include no program or Qt-layer header"
# Qt's QTRY_/QVERIFY/QCOMPARE report to QtTest, which gtest never reads: under gtest
# such a check passes whatever happens. Use gtest's assertions (and WaitFor).
qtcheck=$(git grep -n -E '\bQ(TRY_[A-Z_]+|VERIFY2?|COMPARE)\b' -- tests || true)
if [ -n "$qtcheck" ]; then
  printf 'tests: QtTest checks do not fail a gtest test:\n%s\n' "$qtcheck"
  exit 1
fi
echo "tests: no QtTest checks under gtest"
