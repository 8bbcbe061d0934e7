#!/usr/bin/env bash
# Benchmarks langreg: the INI layer's operations (Google Benchmark), then whole
# runs over generated trees against the I/O floor, side by side in one run.
# Not part of the tests. Generated files go to a temporary folder ($TMPDIR or
# /tmp, about 0.5 GB at the largest size) that is removed at the end.
#
#   scripts/bench.sh           everything
#   scripts/bench.sh --runs    whole runs only
set -euo pipefail
cd "$(dirname "$0")/.."

Build=build/bench-release
cmake -S . -B "${Build}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLANGREG_BUILD_TESTS=OFF -DLANGREG_BUILD_BENCH=ON >/dev/null
cmake --build "${Build}" >/dev/null
Bench="$(pwd)/${Build}/bench"

Work="$(mktemp -d "${TMPDIR:-/tmp}/langreg-bench.XXXXXX")"
trap 'rm -rf "${Work}"' EXIT

echo "# $(uname -srm), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "${1:-}" != "--runs" ]; then
  echo
  echo "## INI layer"
  (cd "${Work}" && "${Bench}/langreg_bench_ini_layer" --benchmark_counters_tabular=true)
fi

echo
echo "## Whole runs: three targets per tree, each run on fresh copies"
Trees=()
for Size in small:21 1000:21 10000:15 100000:9 1000000:7 registered:101; do
  Keys="${Size%%:*}"
  "${Bench}/langreg_bench_tree" "${Work}/${Keys}" "${Keys}"
  Trees+=("${Work}/${Keys}:${Size}")
done
"${Bench}/langreg_bench_run" "$(pwd)/${Build}/langreg" "${Bench}/langreg_bench_floor" \
  "${Bench}/langreg_bench_noop" "${Trees[@]}"
