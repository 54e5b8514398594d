# Installing NEBU the way desktop programs install on Linux, and the Debian
# package built from the same install rules (`make package`).
include(GNUInstallDirs)

set(NEBU_DOC_SOURCE ${CMAKE_SOURCE_DIR}/doc)
set(NEBU_DOC_BINARY ${CMAKE_BINARY_DIR}/doc)
set(NEBU_APPSTREAM_ID io.github.nebu.nebu)
# The manual is program data, not documentation: Debian lets an installation
# leave out share/doc, and help must work without it (src/shell/THelpWindow.cpp).
set(NEBU_MANUAL_DIR ${CMAKE_INSTALL_DATADIR}/nebu)
set(NEBU_PACKAGE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/nebu)

set(NEBU_MAINTAINER "NEBU developers <nebu@users.noreply.github.com>" CACHE STRING
    "Name <address> of whoever answers for the package: the Debian Maintainer field and the changelog's signer")
if(NOT NEBU_MAINTAINER MATCHES "^[^<>@]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$")
    message(FATAL_ERROR "NEBU_MAINTAINER must read \"Name <user@host.domain>\", not \"${NEBU_MAINTAINER}\"")
endif()

# Texts that carry the version, the maintainer or an installed path.
foreach(page nebu-cli.1 nebu.1 changelog copyright desktop/${NEBU_APPSTREAM_ID}.metainfo.xml)
    configure_file(${NEBU_DOC_SOURCE}/${page}.in ${NEBU_DOC_BINARY}/${page} @ONLY)
endforeach()

# Debian wants man pages and changelogs compressed, reproducibly (no name or
# time stamp in the header).
find_program(NEBU_GZIP gzip REQUIRED)
set(NEBU_COMPRESSED)
foreach(page nebu-cli.1 nebu.1 changelog)
    add_custom_command(OUTPUT ${NEBU_DOC_BINARY}/${page}.gz
        COMMAND ${NEBU_GZIP} -9nf -k ${NEBU_DOC_BINARY}/${page}
        DEPENDS ${NEBU_DOC_BINARY}/${page})
    list(APPEND NEBU_COMPRESSED ${NEBU_DOC_BINARY}/${page}.gz)
endforeach()
add_custom_target(nebu_compressed_docs ALL DEPENDS ${NEBU_COMPRESSED})

install(TARGETS nebu-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${NEBU_DOC_BINARY}/nebu-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${NEBU_DOC_BINARY}/copyright ${NEBU_DOC_BINARY}/changelog.gz
    DESTINATION ${NEBU_PACKAGE_DOCDIR})

if(NEBU_BUILD_GUI)
    install(TARGETS nebu RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${NEBU_DOC_BINARY}/nebu.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${NEBU_DOC_SOURCE}/manual/nebu.html DESTINATION ${NEBU_MANUAL_DIR})
    install(FILES ${NEBU_DOC_SOURCE}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME nebu)
    install(FILES ${NEBU_DOC_SOURCE}/desktop/nebu.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${NEBU_DOC_BINARY}/desktop/${NEBU_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${NEBU_DOC_SOURCE}/desktop/nebu-settings.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
    install(FILES ${NEBU_DOC_SOURCE}/icons/nebu.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${NEBU_DOC_SOURCE}/icons/application-x-nebu-settings.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
endif()

include(cmake/PackageDepends.cmake)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nebu)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${NEBU_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finds files whose contents already exist elsewhere and deletes them")
set(CPACK_PACKAGE_DESCRIPTION
    "NEBU lists, or deletes, the files of target folders whose bytes also exist in\nsource folders, archive contents included. nebu is the desktop program,\nnebu-cli the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link come from the programs themselves
# (dpkg-shlibdeps, from dpkg-dev); NEBU_RUNTIME_DEPENDS adds what they open
# or read at run time (cmake/PackageDepends.cmake).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
list(JOIN NEBU_RUNTIME_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_STRIP_FILES ON)
include(CPack)

if(NEBU_BUILD_TESTS AND NEBU_BUILD_GUI)
    add_test(NAME install_tree
        COMMAND sh ${CMAKE_SOURCE_DIR}/tests/gui/shell/check-install.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(install_tree PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
endif()
