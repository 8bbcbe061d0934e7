# Run by CPack on its staging tree before each package is made. The .deb gets
# Debian's layout: man page and changelog gzipped with -9n (no name, no time
# stamp, so builds repeat), docs over 4 KiB gzipped, and the license as the
# copyright file that every Debian package carries.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(Root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(DocDir "${Root}/${CPACK_LANGREG_DOC_DIR}")

function(Gzip File)
  execute_process(COMMAND gzip -9nf "${File}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

Gzip("${Root}/${CPACK_LANGREG_MAN_PAGE}")

file(RENAME "${DocDir}/CHANGELOG.md" "${DocDir}/changelog")
Gzip("${DocDir}/changelog")

file(SIZE "${DocDir}/README.md" ReadmeSize)
if(ReadmeSize GREATER 4096)
  Gzip("${DocDir}/README.md")
endif()

# Machine-readable copyright; Debian calls the MIT license "Expat".
file(READ "${DocDir}/LICENSE" License)
file(REMOVE "${DocDir}/LICENSE")
string(STRIP "${License}" License)
string(REPLACE "\n\n" "\n.\n" License "${License}")
string(REPLACE "\n" "\n " License "${License}")
file(WRITE "${DocDir}/copyright"
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: langreg\n"
  "\n"
  "Files: *\n"
  "Copyright: 2026 The langreg developers\n"
  "License: Expat\n"
  " ${License}\n")
