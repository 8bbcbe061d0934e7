#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for building and testing.
set -euo pipefail
Packages=(cmake ninja-build g++ clang libclang-rt-14-dev time libgtest-dev libgmock-dev googletest libbenchmark-dev
  e2fsprogs util-linux g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 mandoc
  dpkg-dev file)
Missing=()
for Package in "${Packages[@]}"; do
  dpkg-query -W -f='${Status}' "${Package}" 2>/dev/null | grep -q 'install ok installed' ||
    Missing+=("${Package}")
done
if ((${#Missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing ${Missing[*]}; run as root to install them" >&2
    exit 1
  fi
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${Missing[@]}"
fi
