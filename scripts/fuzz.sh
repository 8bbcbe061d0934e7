#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each one for SECONDS (60 by default):
# first its kept regression inputs, then the fuzzer itself from the seed
# corpus. New inputs go to build/reliability-fuzz/corpus, findings to
# build/reliability-fuzz/artifacts; the repository is never written.
#   scripts/fuzz.sh [SECONDS] [TARGET...]    targets: ini_read ini_write integer_read
set -euo pipefail
cd "$(dirname "$0")/.."

Seconds=${1:-60}
shift || true
Targets=("$@")
[ ${#Targets[@]} -gt 0 ] || Targets=(ini_read ini_write integer_read)
Build=build/reliability-fuzz

cmake -S . -B "${Build}" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DLANGREG_SANITIZE=ON -DLANGREG_WERROR=ON \
  -DLANGREG_BUILD_TESTS=OFF -DLANGREG_BUILD_FUZZERS=ON >/dev/null
cmake --build "${Build}" --target "${Targets[@]/#/fuzz_}"

Failed=0
for Target in "${Targets[@]}"; do
  Program="${Build}/fuzz/fuzz_${Target}"
  Seeds=fuzz/corpus/ini
  [ "${Target}" = integer_read ] && Seeds=fuzz/corpus/integer
  Work="${Build}/corpus/${Target}"
  Artifacts="${Build}/artifacts/${Target}"
  Log="${Build}/${Target}.log"
  mkdir -p "${Work}" "${Artifacts}"

  Regressions=(fuzz/regressions/"${Target}"/*)
  if [ -e "${Regressions[0]}" ]; then
    "${Program}" "${Regressions[@]}" >"${Log}" 2>&1 || {
      cat "${Log}" >&2
      echo "fuzz: ${Target}: a kept regression input fails again" >&2
      Failed=1
      continue
    }
  fi

  if "${Program}" -max_total_time="${Seconds}" -print_final_stats=1 -artifact_prefix="${Artifacts}/" \
    "${Work}" "${Seeds}" >"${Log}" 2>&1; then
    Outcome="no findings"
  else
    Outcome="FINDING (see ${Log} and ${Artifacts})"
    grep -A30 -m1 -E '^==[0-9]+==ERROR|deadly signal|runtime error' "${Log}" >&2 || tail -30 "${Log}" >&2
    Failed=1
  fi
  Runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "${Log}" | tail -1)
  echo "[ figures  ] fuzz_${Target}: ${Runs:-?} executions in ${Seconds} s, $(ls "${Work}" | wc -l) corpus inputs, ${Outcome}"
done
exit "${Failed}"
