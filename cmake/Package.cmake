# Installation (program, menu entry, icon, AppStream metadata, man page, manual) and the
# Debian package built from it with CPack (./dev.sh package).
include(GNUInstallDirs)

install(TARGETS vorpex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/org.vorpex.Vorpex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/org.vorpex.Vorpex.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${VORPEX_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME vorpex.svg)
install(FILES docs/manual.md data/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorpex)

# Debian's changelog, compressed as Debian wants it.
add_custom_command(OUTPUT ${VORPEX_GENERATED}/changelog.gz
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/data/debian/changelog > ${VORPEX_GENERATED}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog)
add_custom_target(vorpex_changelog ALL DEPENDS ${VORPEX_GENERATED}/changelog.gz)
install(FILES ${VORPEX_GENERATED}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorpex)

# Debian wants compressed man pages.
add_custom_command(OUTPUT ${VORPEX_GENERATED}/vorpex.1.gz
  COMMAND gzip -9nc ${VORPEX_GENERATED}/vorpex.1 > ${VORPEX_GENERATED}/vorpex.1.gz
  DEPENDS ${VORPEX_GENERATED}/vorpex.1)
add_custom_target(vorpex_man ALL DEPENDS ${VORPEX_GENERATED}/vorpex.1.gz)
install(FILES ${VORPEX_GENERATED}/vorpex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorpex)
set(CPACK_PACKAGE_VENDOR "Vorpex")
set(CPACK_PACKAGE_CONTACT "Vorpex developers <developers@vorpex.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "bit and byte file tool with exact big-number arithmetic")
# Debian shows the description as it is: lines under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
  "Inspects and modifies files byte by byte and bit by bit (hex display, bit and
byte operations, section copies, CRC-32, Adler-32, modern hashes, find and
compare) and computes exactly with decimal numbers of millions of digits, from
a console of built-in function calls or a terminal mode.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so not found by shlibdeps: the SVG icon's image plugin, Qt's own
# dialogs in Japanese, and a font with Japanese glyphs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "libqt6svg6, qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
include(CPack)
