# Installing NEBU the way desktop programs install on Linux, and the Debian
# package built from the same install rules (`make package`).
include(GNUInstallDirs)

set(NEBU_DOC_SOURCE ${CMAKE_SOURCE_DIR}/doc)
set(NEBU_APPSTREAM_ID io.github.nebu.nebu)

install(TARGETS nebu-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${NEBU_DOC_SOURCE}/nebu-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The desktop program finds its manual here, relative to its own folder.
install(FILES ${NEBU_DOC_SOURCE}/manual/nebu.html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/nebu)

if(NEBU_BUILD_GUI)
    install(TARGETS nebu RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${NEBU_DOC_SOURCE}/desktop/nebu.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${NEBU_DOC_SOURCE}/desktop/${NEBU_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${NEBU_DOC_SOURCE}/desktop/nebu-settings.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
    install(FILES ${NEBU_DOC_SOURCE}/icons/nebu.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${NEBU_DOC_SOURCE}/icons/application-x-nebu-settings.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nebu)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "NEBU developers <nebu@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finds files whose contents already exist elsewhere and deletes them")
set(CPACK_PACKAGE_DESCRIPTION
    "NEBU lists, or deletes, the files of target folders whose bytes also exist in\nsource folders, archive contents included. nebu is the desktop program,\nnebu-cli the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Japanese texts and the Japanese font the windows need at run time;
# libarchive is loaded by name, so dpkg-shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libarchive13, qt6-translations-l10n, fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
include(CPack)

if(NEBU_BUILD_TESTS AND NEBU_BUILD_GUI)
    add_test(NAME install_tree
        COMMAND sh ${CMAKE_SOURCE_DIR}/tests/gui/shell/check-install.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(install_tree PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
endif()
