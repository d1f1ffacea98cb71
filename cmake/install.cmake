# Installation (cmake --install, make install PREFIX=...) and the Debian package (make package):
# the program and its command-line companion zur-replace with its manual, its desktop entry, its icon in the hicolor theme, its AppStream metainfo file and its
# copyright file.
include(GNUInstallDirs)

set(ZUR_APP_ID example.zursoft.TextReplace)
# The day this version was released (the metainfo's release date): set with the version, never the build's date.
set(ZUR_RELEASE_DATE 2026-12-08)
set(ZUR_LINUX_DIR ${PROJECT_SOURCE_DIR}/resources/linux)
configure_file(${ZUR_LINUX_DIR}/${ZUR_APP_ID}.metainfo.xml.in ${PROJECT_BINARY_DIR}/${ZUR_APP_ID}.metainfo.xml @ONLY)

install(TARGETS ZURBatchProcess zur-replace RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The command line's manual, in English and in Chinese (man picks it by the locale).
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/zur-replace.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/zh_CN/zur-replace.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1)
install(FILES ${ZUR_LINUX_DIR}/${ZUR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/${ZUR_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Debian's policy: every package carries its copyright file in its documentation folder.
install(FILES ${ZUR_LINUX_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zur-text-replace)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${ZUR_APP_ID}.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zur-text-replace)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ZUR Software Studio")
set(CPACK_PACKAGE_CONTACT "ZUR Software Studio <support@zursoft.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Replace text in many files at once (ZUR文本代替助手)")
set(CPACK_PACKAGE_DESCRIPTION
    "A single-window tool that replaces text in many files at once, renames files by replacing text \
in their names and searches a folder tree for a text. The interface speaks Simplified Chinese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.zursoft.example/tr/")
# The shared libraries the program links (Qt, libjpeg, gumbo, ...) are found by dpkg-shlibdeps, so a
# library added later is declared without a change here. The packages below are used at run time
# without being linked: Qt's display plugins, Qt's Chinese texts, and xdg-open for the shell hand-offs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
