# Where `cmake --install` puts things, and the packages CPack makes of them:
# a .deb and a .tar.gz on Linux, a .zip for Windows.
include(GNUInstallDirs)

set(LangregDocs README.md LICENSE CHANGELOG.md)
if(WIN32)
  # A Windows folder holds the program and its papers side by side.
  install(TARGETS langreg RUNTIME DESTINATION .)
  install(FILES ${LangregDocs} DESTINATION .)
else()
  install(TARGETS langreg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/langreg.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${LangregDocs} DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME langreg)
set(CPACK_PACKAGE_VENDOR "The langreg developers")
set(CPACK_PACKAGE_CONTACT "The langreg developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "register Russian in the language tables of Windows INI files")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/")

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(LangregWindowsName win32)
  else()
    set(LangregWindowsName win64)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${LangregWindowsName})
else()
  set(CPACK_GENERATOR DEB TGZ)
  string(TOLOWER ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR} LangregSystemName)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${LangregSystemName})

  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "langreg adds the language Russian to the language tables that an application\n"
    "keeps in its Windows INI files: the working folder's Init_LAN.INI, the\n"
    "KORVEL.INI of drive C (found through the Wine prefix) and the parent folder's\n"
    "Setup.INI. It changes only the lines it must, writes each file whole or not\n"
    "at all, and exits with status 1 when a file cannot be written.")
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
  # Debian's layout: a gzipped man page and a copyright file. CPACK_* names
  # reach the script through CPack's configuration.
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianLayout.cmake)
  set(CPACK_LANGREG_MAN_PAGE ${CMAKE_INSTALL_MANDIR}/man1/langreg.1)
  set(CPACK_LANGREG_DOC_DIR ${CMAKE_INSTALL_DOCDIR})
endif()

include(CPack)
