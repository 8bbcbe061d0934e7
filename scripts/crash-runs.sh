#!/usr/bin/env bash
# Kills langreg at random moments COUNT times (200 by default) while it
# rewrites three large targets, and prints how many targets were left old,
# new or torn.   scripts/crash-runs.sh [COUNT]
set -euo pipefail
cd "$(dirname "$0")/.."
Build=build/reliability
# shellcheck source=scripts/reliability-build.sh
source scripts/reliability-build.sh
BuildReliability "${Build}"
Scratch=$(mktemp -d /dev/shm/langreg-crash.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "${Scratch}"' EXIT
TMPDIR="${Scratch}" LANGREG_CRASH_RUNS="${1:-200}" LANGREG_UNDER_TEST="$(pwd)/${Build}/langreg" \
  "${Build}/tests/reliability/langreg_reliability_tests" --gtest_filter='CrashRun.*'
