#!/usr/bin/env bash
# The Windows stage: builds the 32-bit and the 64-bit langreg.exe, checks that
# each is one self-contained file, and runs the Windows tests and the
# end-to-end cases against the 64-bit program under Wine, in one fresh prefix.
# This kernel cannot run 32-bit programs: that build is compiled and linked only.
set -euo pipefail
cd "$(dirname "$0")/.."

Wine=/usr/lib/wine/wine64
WineServer=/usr/lib/wine/wineserver64
Packages=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64)
Tools=(i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump
  "${Wine}" "${WineServer}")

# Not running must never pass for a pass: loud always, a failure under CI.
NotRun() {
  echo "" >&2
  echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" >&2
  echo "!!! THE WINDOWS STAGE DID NOT RUN: $1" >&2
  echo "!!! Neither langreg.exe was built or tested." >&2
  echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" >&2
  if [ "${CI:-}" = true ]; then exit 1; fi
  exit 0
}

MissingTools() {
  local Tool
  for Tool in "${Tools[@]}"; do command -v "${Tool}" >/dev/null 2>&1 || echo "${Tool}"; done
}

if [ -n "$(MissingTools)" ]; then
  if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "stage-windows: installing ${Packages[*]}"
    apt-get update || NotRun "apt-get update failed"
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${Packages[@]}" ||
      NotRun "could not install ${Packages[*]}"
  fi
  Missing=$(MissingTools)
  [ -z "${Missing}" ] || NotRun "missing $(echo ${Missing}); install ${Packages[*]} (as root)"
fi

cmake --preset windows-x86
cmake --build --preset windows-x86
cmake --preset windows-x64
cmake --build --preset windows-x64

# The program may import the system's own DLLs only: nothing to ship beside it.
CheckProgram() {
  local Exe=$1 Format=$2 Dll
  x86_64-w64-mingw32-objdump -f "${Exe}" | grep -q "file format ${Format}\$" || {
    echo "stage-windows: ${Exe} is not a ${Format} file" >&2
    exit 1
  }
  for Dll in $(x86_64-w64-mingw32-objdump -p "${Exe}" | sed -n 's/^\s*DLL Name: //p'); do
    case "${Dll,,}" in
      kernel32.dll | user32.dll | msvcrt.dll | advapi32.dll | ntdll.dll) ;;
      *)
        echo "stage-windows: ${Exe} needs ${Dll}, which Windows does not provide" >&2
        exit 1
        ;;
    esac
  done
  echo "stage-windows: ${Exe}: ${Format}, system DLLs only"
}
CheckProgram build/windows-x86/langreg.exe pei-i386
CheckProgram build/windows-x64/langreg.exe pei-x86-64

# The end-to-end driver is a Linux program; the Linux stage has built it
# (LANGREG_E2E_TESTS may name another build of it).
E2e=${LANGREG_E2E_TESTS:-build/ci/tests/langreg_e2e_tests}
if [ ! -x "${E2e}" ]; then
  cmake --preset ci
  cmake --build --preset ci --target langreg_e2e_tests
fi

Temp=$(mktemp -d)
export WINEPREFIX="${Temp}/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
Cleanup() {
  "${WineServer}" -k >/dev/null 2>&1 || true
  rm -rf "${Temp}"
}
trap Cleanup EXIT

echo "stage-windows: creating a Wine prefix"
# One server and one set of Wine's services for the whole stage, started here
# with no pipe of ours: a service started by a test's run would inherit that
# run's output pipes and keep them open.
mkdir -p "${WINEPREFIX}"
"${WineServer}" -p </dev/null >/dev/null 2>&1
"${Wine}" wineboot --init </dev/null >/dev/null 2>&1

echo "== Windows unit tests (Wine)"
ctest --preset windows-x64

echo "== end-to-end cases against the 64-bit langreg.exe (Wine)"
LANGREG_UNDER_TEST="${Wine} $(pwd)/build/windows-x64/langreg.exe" \
  LANGREG_WINEPREFIX="${WINEPREFIX}" LANGREG_COMPARE=profile "${E2e}"
