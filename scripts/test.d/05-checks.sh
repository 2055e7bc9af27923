#!/usr/bin/env bash
# Source checks: formatting, and the layering rules between the targets.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/format --check
