# What `cmake --install` puts where, and the Debian package made from it
# (`cpack -G DEB` in the build folder).
include(GNUInstallDirs)

install(TARGETS zarnplay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Where `zarnplay` finds its module programs (../lib/zarnplay from itself).
if(TARGET zarnplay-desktop)
  install(TARGETS zarnplay-desktop RUNTIME DESTINATION lib/zarnplay)
endif()
if(TARGET zarnplay-slides)
  install(TARGETS zarnplay-slides LIBRARY DESTINATION lib/zarnplay)
endif()
if(TARGET zarnplay-record)
  install(TARGETS zarnplay-record RUNTIME DESTINATION lib/zarnplay)
endif()
install(FILES ${PROJECT_BINARY_DIR}/characters/Fennet.acs DESTINATION ${CMAKE_INSTALL_DATADIR}/zarnplay/characters)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zarnplay/examples
        PATTERN "make-media.py" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/data/zarnplay.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/zarnplay-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME zarnplay.xml)
install(FILES ${PROJECT_SOURCE_DIR}/data/zarnplay.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Man pages are installed compressed.
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/zarnplay.1.gz
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/data/zarnplay.1 > ${PROJECT_BINARY_DIR}/zarnplay.1.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/data/zarnplay.1)
add_custom_target(man_page ALL DEPENDS ${PROJECT_BINARY_DIR}/zarnplay.1.gz)
install(FILES ${PROJECT_BINARY_DIR}/zarnplay.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Debian's documentation folder: the copyright file, the changelog and the
# README, the last two compressed as Debian keeps them.
set(ZARN_PACKAGE_CONTACT "ZARNPlay developers <zarnplay@zarnplay.example>"
    CACHE STRING "Maintainer of the Debian package, \"Name <address>\"")
configure_file(${PROJECT_SOURCE_DIR}/data/changelog.in ${PROJECT_BINARY_DIR}/changelog @ONLY)
set(zarn_docs ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_BINARY_DIR}/README.md.gz)
add_custom_command(
  OUTPUT ${zarn_docs}
  COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/changelog > ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/README.md > ${PROJECT_BINARY_DIR}/README.md.gz
  DEPENDS ${PROJECT_BINARY_DIR}/changelog ${PROJECT_SOURCE_DIR}/README.md)
add_custom_target(package_docs ALL DEPENDS ${zarn_docs})
install(FILES ${zarn_docs} ${PROJECT_SOURCE_DIR}/data/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zarnplay)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zarnplay)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ZARN_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Player for scripts with animated, talking desktop characters")
# Lines of at most 80 characters; CPack puts the summary above them.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Plays .zrn/.zrs scripts: characters appear, move, gesture and speak
through text-to-speech and word balloons while the script plays sounds,
music and video, shows a backdrop, narrates a slideshow and starts
programs.
.
Its headless mode plays any script without a display, in virtual time,
and writes what happened as a trace.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libcurl4, libespeak-ng1, espeak-ng-data, libflite1, libzip4, libfluidsynth3, libpocketsphinx3, libsphinxbase3, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "timgm6mb-soundfont | fluid-soundfont-gm, libreoffice-impress, pocketsphinx-en-us, gstreamer1.0-libav")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# The character service: the session bus starts it on first use (the file
# names the installed program, so it is written at install time), and its
# interfaces for other programs to read.
install(CODE "
  set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services\")
  file(MAKE_DIRECTORY \"\${dir}\")
  file(WRITE \"\${dir}/org.zarnplay.Characters.service\"
       \"[D-BUS Service]\\nName=org.zarnplay.Characters\\nExec=\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zarnplay --service\\n\")
  message(STATUS \"Installing: \${dir}/org.zarnplay.Characters.service\")")
install(FILES ${PROJECT_SOURCE_DIR}/data/dbus/org.zarnplay.Characters1.xml
              ${PROJECT_SOURCE_DIR}/data/dbus/org.zarnplay.Character1.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/interfaces)
