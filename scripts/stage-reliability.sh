#!/usr/bin/env bash
# The reliability stage: injected faults in every file call, real full disks,
# crash runs, read-only files and metadata, hostile inputs (all against the
# built program), then each fuzz target for a bounded time. Cases that need
# root or a mount skip visibly without them.
#   LANGREG_CRASH_RUNS   kills in the crash runs (200)
#   LANGREG_FUZZ_SECONDS time per fuzz target (60)
set -euo pipefail
cd "$(dirname "$0")/.."

Build=build/reliability
if [ "$(id -u)" -ne 0 ]; then
  echo "!!! stage-reliability: not root: the cases that mount, act as another user or fill a disk will SKIP" >&2
fi

# shellcheck source=scripts/reliability-build.sh
source scripts/reliability-build.sh
BuildReliability "${Build}"

# Injected faults and kills test the program, not the disk: their trees go on a
# tmpfs where there is one, which keeps their thousands of runs fast.
Scratch=$(mktemp -d /dev/shm/langreg-reliability.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "${Scratch}"' EXIT
Figures() { grep -h '^\[ figures' "${Build}"/Testing/Temporary/LastTest*.log || true; }

echo "== reliability: injected faults and crash runs"
TMPDIR="${Scratch}" LANGREG_CRASH_RUNS="${LANGREG_CRASH_RUNS:-200}" \
  ctest --test-dir "${Build}" --output-on-failure --no-tests=error -j2 -R 'FaultInjection|CrashRun'
Figures
echo "== reliability: full disks, read-only files, metadata, hostile inputs"
ctest --test-dir "${Build}" --output-on-failure --no-tests=error -j2 -E 'FaultInjection|CrashRun'

echo "== reliability: fuzzing, ${LANGREG_FUZZ_SECONDS:-60} s per target"
bash scripts/fuzz.sh "${LANGREG_FUZZ_SECONDS:-60}"
