#!/usr/bin/env bash
# The packaging stage: lints the man page, builds the .deb, the .tar.gz and the
# Windows .zip, checks what each holds and the version embedded in the programs,
# then installs the .deb (dpkg -i) and a `cmake --install` prefix and runs each
# installed langreg on a copy of examples/. Needs root for dpkg.
set -euo pipefail
cd "$(dirname "$0")/.."

LinuxBuild=build/package-linux
WindowsBuild=build/package-win32
Packages=(dpkg-dev file mandoc g++-mingw-w64-i686)
Tools=(dpkg-shlibdeps file mandoc gzip strings i686-w64-mingw32-g++-posix i686-w64-mingw32-windres
  i686-w64-mingw32-objdump)

Fail() {
  echo "stage-package: $*" >&2
  exit 1
}

# Not running must never pass for a pass: loud always, a failure under CI.
NotRun() {
  echo "" >&2
  echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" >&2
  echo "!!! THE PACKAGE STAGE DID NOT RUN IN FULL: $1" >&2
  echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" >&2
  if [ "${CI:-}" = true ]; then exit 1; fi
}

MissingTools() {
  local Tool
  for Tool in "${Tools[@]}"; do command -v "${Tool}" >/dev/null 2>&1 || echo "${Tool}"; done
}

if [ -n "$(MissingTools)" ]; then
  if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "stage-package: installing ${Packages[*]}"
    apt-get update && DEBIAN_FRONTEND=noninteractive \
      apt-get install -y --no-install-recommends "${Packages[@]}" || true
  fi
  Missing=$(MissingTools)
  if [ -n "${Missing}" ]; then
    NotRun "missing $(echo ${Missing}); install ${Packages[*]} (as root)"
    exit 0
  fi
fi

Temp=$(mktemp -d)
Installed=
Cleanup() {
  if [ -n "${Installed}" ]; then dpkg -r langreg >/dev/null 2>&1 || true; fi
  rm -rf "${Temp}"
}
trap Cleanup EXIT

echo "== man page lint"
mandoc -T lint -W warning docs/langreg.1 || Fail "docs/langreg.1 has lint warnings"

echo "== Linux packages"
cmake -S . -B "${LinuxBuild}" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANGREG_BUILD_TESTS=OFF \
  -DLANGREG_WERROR=OFF >/dev/null
cmake --build "${LinuxBuild}"
rm -f "${LinuxBuild}"/*.deb "${LinuxBuild}"/*.tar.gz
(cd "${LinuxBuild}" && cpack >/dev/null)
Version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "${LinuxBuild}/CMakeCache.txt")
Arch=$(dpkg --print-architecture)
Deb="${LinuxBuild}/langreg_${Version}_${Arch}.deb"
Tgz=$(echo "${LinuxBuild}"/langreg-"${Version}"-linux-*.tar.gz)
[ -f "${Deb}" ] || Fail "no ${Deb}"
[ -f "${Tgz}" ] || Fail "no .tar.gz in ${LinuxBuild}"

strings "${LinuxBuild}/langreg" | grep -xc "langreg version ${Version}" >/dev/null ||
  Fail "no version text in ${LinuxBuild}/langreg"

# Files under a prefix, one per line, as `cmake --install` lays them out.
InstallLayout() {
  printf '%s\n' bin/langreg share/doc/langreg/CHANGELOG.md share/doc/langreg/LICENSE \
    share/doc/langreg/README.md share/man/man1/langreg.1
}

# Debian's: man page and changelog gzipped, the license as the copyright file.
DebLayout() {
  local Readme=README.md
  [ "$(stat -c %s README.md)" -le 4096 ] || Readme=README.md.gz
  printf '%s\n' ./usr/bin/langreg ./usr/share/doc/langreg/changelog.gz \
    ./usr/share/doc/langreg/copyright "./usr/share/doc/langreg/${Readme}" \
    ./usr/share/man/man1/langreg.1.gz | sort
}

SameList() {
  local What=$1 Expected=$2 Actual=$3
  diff -u <(echo "${Expected}") <(echo "${Actual}") || Fail "${What} holds other files than expected"
}

Field() { dpkg-deb -f "${Deb}" "$1"; }
[ "$(Field Package)" = langreg ] || Fail "package name is $(Field Package)"
[ "$(Field Version)" = "${Version}" ] || Fail "package version is $(Field Version)"
[ "$(Field Architecture)" = "${Arch}" ] || Fail "package architecture is $(Field Architecture)"
Field Depends | grep -c 'libc6 (>= ' >/dev/null || Fail "dependencies not computed: $(Field Depends)"
Field Description | sed -n 2p | grep -c . >/dev/null || Fail "package has no long description"
SameList "${Deb}" "$(DebLayout)" "$(dpkg-deb -c "${Deb}" | awk '$1 !~ /^d/ {print $6}' | sort)"
SameList "${Tgz}" "$(InstallLayout)" \
  "$(tar tzf "${Tgz}" | grep -v '/$' | sed 's|^[^/]*/||' | sort)"

echo "== Windows package"
cmake --preset windows-x86 -B "${WindowsBuild}" -DLANGREG_BUILD_TESTS=OFF >/dev/null
cmake --build "${WindowsBuild}"
rm -f "${WindowsBuild}"/*.zip
(cd "${WindowsBuild}" && cpack >/dev/null)
Zip="${WindowsBuild}/langreg-${Version}-win32.zip"
[ -f "${Zip}" ] || Fail "no ${Zip}"
SameList "${Zip}" "$(printf '%s\n' CHANGELOG.md LICENSE README.md langreg.exe)" \
  "$(cmake -E tar tf "${Zip}" | grep -v '/$' | sed 's|^[^/]*/||' | sort)"
mkdir "${Temp}/zip"
(cd "${Temp}/zip" && cmake -E tar xf "$OLDPWD/${Zip}")
Exe=$(echo "${Temp}"/zip/*/langreg.exe)
i686-w64-mingw32-objdump -f "${Exe}" | grep -c 'file format pei-i386$' >/dev/null ||
  Fail "the .zip's langreg.exe is not a 32-bit Windows program"

# The version resource: VS_FIXEDFILEINFO after its signature, then the strings.
IFS=. read -r Major Minor Patch <<<"${Version}"
Le32() { printf '%08x' "$1" | sed -E 's/(..)(..)(..)(..)/\4\3\2\1/'; }
VersionMs=$(Le32 $((Major << 16 | Minor)))
VersionLs=$(Le32 $((Patch << 16)))
FixedInfo=$(od -An -v -tx1 "${Exe}" | tr -d ' \n' | grep -o 'bd04effe.\{40\}' | head -1)
[ "${FixedInfo}" = "bd04effe00000100${VersionMs}${VersionLs}${VersionMs}${VersionLs}" ] ||
  Fail "langreg.exe's fixed version info is '${FixedInfo}'"
for Name in FileVersion ProductVersion; do
  strings -el "${Exe}" | grep -A1 -x "${Name}" | grep -xc "${Version}" >/dev/null ||
    Fail "langreg.exe has no ${Name} ${Version}"
done
strings -el "${Exe}" | grep -xc FileDescription >/dev/null || Fail "langreg.exe has no FileDescription"

# Runs a langreg on a fresh copy of examples/: the expected changes, nothing on
# either stream, then a rerun that changes nothing, then a failed write.
CheckRun() {
  local Program=$1 Tree Status
  Tree=$(mktemp -d "${Temp}/run.XXXXXX")
  cp -a examples "${Tree}/before"
  cp -a examples "${Tree}/after"
  Run() { (cd "$1/app/bin" && WINEPREFIX="$1/wineprefix" "${Program}" an --ignored argument); }

  Status=0
  Run "${Tree}/after" >"${Tree}/out" 2>"${Tree}/err" || Status=$?
  [ "${Status}" -eq 0 ] || Fail "${Program} exited with ${Status}: $(cat "${Tree}/err")"
  [ ! -s "${Tree}/out" ] && [ ! -s "${Tree}/err" ] || Fail "${Program} printed something"
  # Line breaks stay CRLF: the CR shows as ^M.
  diff -u <(cat <<'EOF'
--- before/app/Setup.INI
+++ after/app/Setup.INI
@@ -5 +5 @@
-Number = 3^M
+Number = 4^M
@@ -15,0 +16,3 @@
+Descrip4=Russian^M
+File4=app_ru^M
+DlgDll4=dll_ru^M
--- before/app/bin/Init_LAN.INI
+++ after/app/bin/Init_LAN.INI
@@ -3,2 +3,2 @@
-Number=2^M
-Select=0^M
+Number=3^M
+Select=2^M
@@ -10,0 +11,3 @@
+Descrip3=Russian^M
+File3=app_ru^M
+DlgDll3=dll_ru^M
--- before/wineprefix/drive_c/WINDOWS/KORVEL.INI
+++ after/wineprefix/drive_c/WINDOWS/KORVEL.INI
@@ -3 +3 @@
-Select=0^M
+Select=2^M
EOF
  ) <(cd "${Tree}" && diff -r -U0 --no-dereference before after |
    sed -E '/^diff /d; s/^(---|\+\+\+) ([^\t]*)\t.*/\1 \2/; s/\r$/^M/') ||
    Fail "${Program} did not make the expected changes"

  cp -a "${Tree}/after" "${Tree}/again"
  Run "${Tree}/again" || Fail "${Program} failed on its second run"
  diff -r --no-dereference "${Tree}/after" "${Tree}/again" >/dev/null ||
    Fail "${Program} changed files on its second run"

  # No write bit: read-only even to root. The run stops at the first target.
  cp -a examples "${Tree}/readonly"
  chmod a-w "${Tree}/readonly/app/bin/Init_LAN.INI"
  Status=0
  Run "${Tree}/readonly" >"${Tree}/out" 2>"${Tree}/err" || Status=$?
  [ "${Status}" -eq 1 ] || Fail "${Program} exited with ${Status} on a read-only file"
  [ ! -s "${Tree}/out" ] || Fail "${Program} wrote to standard output on failure"
  grep -qE $'^Exception EIniFileException in module langreg at [0-9A-F]{8}\\.\r$' "${Tree}/err" &&
    grep -qFx $'Unable to write to .\\Init_LAN.INI.\r' "${Tree}/err" ||
    Fail "${Program} reported: $(cat "${Tree}/err")"
  chmod u+w "${Tree}/readonly/app/bin/Init_LAN.INI"
  diff -r --no-dereference examples "${Tree}/readonly" >/dev/null ||
    Fail "${Program} changed files in a run that failed at the first target"
  echo "stage-package: ${Program}: expected changes, rerun unchanged, failed write reported"
}

echo "== cmake --install"
Prefix="${Temp}/prefix"
cmake --install "${LinuxBuild}" --prefix "${Prefix}" >/dev/null
SameList "cmake --install" "$(InstallLayout)" "$(cd "${Prefix}" && find . -type f | sed 's|^\./||' | sort)"
cmp docs/langreg.1 "${Prefix}/share/man/man1/langreg.1" || Fail "the installed man page differs"
CheckRun "${Prefix}/bin/langreg"

echo "== dpkg -i"
if [ "$(id -u)" -ne 0 ]; then
  NotRun "dpkg -i needs root; the .deb was built and checked but not installed"
  exit 0
fi
if dpkg-query -W -f='${Status}' langreg 2>/dev/null | grep -c 'ok installed' >/dev/null; then
  NotRun "a langreg package is already installed here; remove it (dpkg -r langreg) first"
  exit 0
fi
Installed=yes
dpkg -i "${Deb}" >/dev/null
[ "$(command -v langreg)" = /usr/bin/langreg ] || Fail "langreg is not /usr/bin/langreg"
Man=/usr/share/man/man1/langreg.1.gz
# gzip -9n: deflate, no name, no time stamp, best compression, Unix.
[ "$(head -c 10 "${Man}" | od -An -tx1 | tr -d ' \n')" = 1f8b0800000000000203 ] ||
  Fail "${Man} is not compressed with gzip -9n"
cmp <(gzip -dc "${Man}") docs/langreg.1 || Fail "${Man} is not docs/langreg.1"
mandoc -T lint -W warning "${Man}" || Fail "${Man} has lint warnings"
grep -q 'License: Expat' /usr/share/doc/langreg/copyright || Fail "no copyright file"
CheckRun /usr/bin/langreg

dpkg -r langreg >/dev/null
Installed=
[ ! -e /usr/bin/langreg ] && [ ! -e "${Man}" ] && [ ! -e /usr/share/doc/langreg ] ||
  Fail "dpkg -r left files behind"
echo "stage-package: langreg ${Version}: .deb, .tar.gz and .zip built, installed, run and removed"
