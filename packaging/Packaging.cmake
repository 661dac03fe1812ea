# Install rules, the desktop entry and icons, the Windows version record and
# the Debian package. Every version number here derives from project(VERSION).

# The day the current version was released, for the AppStream record: bump it
# together with the project version.
set(ROPI_RELEASE_DATE 2026-12-06)

include(GNUInstallDirs)

set(ROPI_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(ROPI_GENERATED_DIR ${PROJECT_BINARY_DIR}/packaging)

# The game reads its picture and cues from its current directory. On Windows
# they sit beside ropi.exe, which Explorer starts in its own folder; elsewhere
# they go to the data folder and the desktop entry starts the game there.
# Debian keeps the programs of games in /usr/games, a folder GNUInstallDirs
# does not know.
if(WIN32)
  set(ROPI_PROGRAM_DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(ROPI_ASSETS_DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
  set(ROPI_PROGRAM_DESTINATION games)
  set(ROPI_ASSETS_DESTINATION ${CMAKE_INSTALL_DATADIR}/ropi)
endif()

install(TARGETS ropi RUNTIME DESTINATION ${ROPI_PROGRAM_DESTINATION})
install(FILES
    assets/Cat.gif
    assets/Cat0.wav
    assets/Cat1.wav
    assets/Cat2.wav
    assets/Cat3.wav
    assets/Cat4.wav
    assets/ピンポン.wav
    assets/ブー.wav
  DESTINATION ${ROPI_ASSETS_DESTINATION})

if(UNIX AND NOT APPLE)
  # The desktop entry names absolute paths, so it is made for the prefix the
  # build is configured with, and the package installs into that same prefix:
  # configure with -DCMAKE_INSTALL_PREFIX=/usr before making the package.
  set(ROPI_INSTALLED_PROGRAM ${CMAKE_INSTALL_PREFIX}/${ROPI_PROGRAM_DESTINATION}/ropi)
  set(ROPI_INSTALLED_ASSETS ${CMAKE_INSTALL_FULL_DATADIR}/ropi)
  configure_file(${ROPI_PACKAGING_DIR}/ropi.desktop.in ${ROPI_GENERATED_DIR}/ropi.desktop @ONLY)
  configure_file(${ROPI_PACKAGING_DIR}/ropi.metainfo.xml.in
    ${ROPI_GENERATED_DIR}/ropi.metainfo.xml @ONLY)
  install(FILES ${ROPI_GENERATED_DIR}/ropi.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${ROPI_GENERATED_DIR}/ropi.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The manual page and the changelog go compressed, without a time stamp in
  # the gzip header, so the same sources make the same package.
  find_program(ROPI_GZIP gzip REQUIRED)
  configure_file(${ROPI_PACKAGING_DIR}/ropi.6.in ${ROPI_GENERATED_DIR}/ropi.6 @ONLY)
  configure_file(${ROPI_PACKAGING_DIR}/changelog ${ROPI_GENERATED_DIR}/changelog COPYONLY)
  set(ROPI_COMPRESSED_DOCS)
  foreach(doc ropi.6 changelog)
    add_custom_command(OUTPUT ${ROPI_GENERATED_DIR}/${doc}.gz
      COMMAND ${ROPI_GZIP} -9nkf ${ROPI_GENERATED_DIR}/${doc}
      DEPENDS ${ROPI_GENERATED_DIR}/${doc}
      COMMENT "Compressing ${doc}")
    list(APPEND ROPI_COMPRESSED_DOCS ${ROPI_GENERATED_DIR}/${doc}.gz)
  endforeach()
  add_custom_target(ropi_docs ALL DEPENDS ${ROPI_COMPRESSED_DOCS})
  install(FILES ${ROPI_GENERATED_DIR}/ropi.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES ${ROPI_PACKAGING_DIR}/copyright ${ROPI_GENERATED_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # The icon theme gets the two drawn sizes as they are and the others scaled
  # down from the large one at build time.
  set(ROPI_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES assets/ropi.png DESTINATION ${ROPI_ICON_DIR}/48x48/apps)
  install(FILES assets/ropi-256.png DESTINATION ${ROPI_ICON_DIR}/256x256/apps RENAME ropi.png)

  find_package(Qt6 REQUIRED COMPONENTS Gui)
  add_executable(ropi_scale_icon ${ROPI_PACKAGING_DIR}/ScaleIcon.cpp)
  target_link_libraries(ropi_scale_icon PRIVATE Qt6::Gui)
  set(ROPI_SCALED_ICONS)
  foreach(size 16 32 64 128)
    set(icon ${ROPI_GENERATED_DIR}/icons/${size}x${size}/ropi.png)
    add_custom_command(OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${ROPI_GENERATED_DIR}/icons/${size}x${size}
      COMMAND ropi_scale_icon ${PROJECT_SOURCE_DIR}/assets/ropi-256.png ${size} ${icon}
      DEPENDS ropi_scale_icon ${PROJECT_SOURCE_DIR}/assets/ropi-256.png
      COMMENT "Scaling the icon to ${size}x${size}")
    list(APPEND ROPI_SCALED_ICONS ${icon})
    install(FILES ${icon} DESTINATION ${ROPI_ICON_DIR}/${size}x${size}/apps)
  endforeach()
  add_custom_target(ropi_icons ALL DEPENDS ${ROPI_SCALED_ICONS})
endif()

if(WIN32)
  # The version record reads "1.00": the major version and two digits of the minor.
  set(ROPI_VERSION_TWEAK 0)
  if(PROJECT_VERSION_TWEAK)
    set(ROPI_VERSION_TWEAK ${PROJECT_VERSION_TWEAK})
  endif()
  set(ROPI_VERSION_COMMAS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},${ROPI_VERSION_TWEAK}")
  set(ROPI_VERSION_MINOR_TEXT 0${PROJECT_VERSION_MINOR})
  string(LENGTH "${ROPI_VERSION_MINOR_TEXT}" length)
  math(EXPR first "${length} - 2")
  string(SUBSTRING "${ROPI_VERSION_MINOR_TEXT}" ${first} 2 ROPI_VERSION_MINOR_TEXT)
  set(ROPI_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${ROPI_VERSION_MINOR_TEXT}")
  set(ROPI_VERSION_DOTS
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${ROPI_VERSION_TWEAK}")
  set(ROPI_WINDOWS_ICON ${PROJECT_SOURCE_DIR}/assets/ropi.ico)
  set(ROPI_WINDOWS_MANIFEST ${ROPI_GENERATED_DIR}/ropi.manifest)
  configure_file(${ROPI_PACKAGING_DIR}/ropi.manifest.in ${ROPI_WINDOWS_MANIFEST} @ONLY)
  configure_file(${ROPI_PACKAGING_DIR}/ropi.rc.in ${ROPI_GENERATED_DIR}/ropi.rc @ONLY)
  target_sources(ropi PRIVATE ${ROPI_GENERATED_DIR}/ropi.rc)
  # A game window, no console beside it. MSVC would want WinMain for that; the game's
  # entry is main().
  set_target_properties(ropi PROPERTIES WIN32_EXECUTABLE ON)
  if(MSVC)
    target_link_options(ropi PRIVATE /ENTRY:mainCRTStartup)
  endif()
endif()

set(ROPI_PACKAGE_MAINTAINER "ropi developers <ropi@example.org>"
  CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME ropi)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ROPI_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard game: shoot when the jumping cat is in the middle")
set(CPACK_PACKAGE_DESCRIPTION
  "ろぴぽあゲーム: a cat jumps at a steady rhythm between five columns, and every
jump sounds the cue of its column. Press F or J while the cat stands in the
middle column: a hit scores 10 points with a chime, a miss loses 10 with a
buzzer. The cat can be hidden, and then the game is played by ear. The user
interface is in Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The labels and menus need a Japanese font; these are the families the game asks for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-ipafont-gothic | fonts-noto-cjk | fonts-vlgothic | fonts-takao-gothic")

include(CPack)
