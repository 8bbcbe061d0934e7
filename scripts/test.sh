#!/usr/bin/env bash
# Runs every test: the Linux build under sanitizers, then each further stage.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset ci
cmake --build --preset ci
ctest --preset ci -j2
for Stage in scripts/stage-*.sh; do
  echo "== ${Stage}"
  bash "${Stage}"
done
