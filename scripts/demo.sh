#!/usr/bin/env bash
# Builds langreg, runs it on a copy of examples/ and shows what it changed.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
Program="$PWD/build/release/langreg"

Work=$(mktemp -d)
trap 'rm -rf "${Work}"' EXIT
cp -a examples "${Work}/before"
cp -a examples "${Work}/after"

run() { (cd "${Work}/after/app/bin" && WINEPREFIX="${Work}/after/wineprefix" "${Program}"); }

Status=0
run || Status=$?
echo "langreg exited with status ${Status}; what it changed:"
(cd "${Work}" && diff -ru --no-dereference before after || true) | sed 's/\r$//'
cp -a "${Work}/after" "${Work}/again"
run
if diff -r --no-dereference "${Work}/after" "${Work}/again" >/dev/null; then
  echo "second run: no change"
else
  echo "second run changed files" >&2
  exit 1
fi
