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
# does not know. A Windows program has its folder to itself, with no bin below:
# Program Files\ropi, or whatever folder the ZIP is unpacked into.
if(WIN32)
  set(ROPI_PROGRAM_DESTINATION .)
  set(ROPI_ASSETS_DESTINATION .)
else()
  set(ROPI_PROGRAM_DESTINATION games)
  set(ROPI_ASSETS_DESTINATION ${CMAKE_INSTALL_DATADIR}/ropi)
endif()

install(TARGETS ropi RUNTIME DESTINATION ${ROPI_PROGRAM_DESTINATION})
install(FILES ${ROPI_GAME_FILES} DESTINATION ${ROPI_ASSETS_DESTINATION})

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
    # The manifest comes with the .rc: the linker must not add one of its own.
    target_link_options(ropi PRIVATE /ENTRY:mainCRTStartup /MANIFEST:NO)
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

if(WIN32)
  # An installer and a ZIP to unpack anywhere, both with ropi.exe and its
  # picture and cues side by side at the top: no install prefix and no folder
  # of the package's name inside. The names say win64, where CPack would say
  # win32 for any compiler but MSVC.
  set(CPACK_GENERATOR NSIS ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64)
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGE_VENDOR "ropi developers")
  set(CPACK_RESOURCE_FILE_LICENSE ${ROPI_PACKAGING_DIR}/copyright)
  # The values below hold NSIS code; CPack is to pass them on as written.
  set(CPACK_VERBATIM_VARIABLES ON)

  # CMake's own installer script with two lines more, which make the installer
  # 64-bit and Unicode: the Japanese names below reach Windows intact. CPack
  # looks for NSIS.template.in on the module path before its own.
  set(ROPI_NSIS_TEMPLATE_DIR ${CMAKE_BINARY_DIR}/packaging/nsis)
  # The lines go after the template's first, which begins with its byte order mark.
  file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in ROPI_NSIS_TEMPLATE)
  string(FIND "${ROPI_NSIS_TEMPLATE}" "\n" ROPI_NSIS_FIRST_LINE_END)
  math(EXPR ROPI_NSIS_FIRST_LINE_END "${ROPI_NSIS_FIRST_LINE_END} + 1")
  string(SUBSTRING "${ROPI_NSIS_TEMPLATE}" 0 ${ROPI_NSIS_FIRST_LINE_END} ROPI_NSIS_FIRST_LINE)
  string(SUBSTRING "${ROPI_NSIS_TEMPLATE}" ${ROPI_NSIS_FIRST_LINE_END} -1 ROPI_NSIS_TEMPLATE)
  file(WRITE ${ROPI_NSIS_TEMPLATE_DIR}/NSIS.template.in "${ROPI_NSIS_FIRST_LINE}"
    "; The game is 64-bit only, and its names are Japanese: a 64-bit Unicode installer.\n"
    "Unicode true\nTarget amd64-unicode\n${ROPI_NSIS_TEMPLATE}")
  list(PREPEND CMAKE_MODULE_PATH ${ROPI_NSIS_TEMPLATE_DIR})

  # The folder keeps an ASCII name; the player sees the Japanese title in the
  # Start menu and in the list of installed programs. The registry key carries
  # no version, so that a newer installer finds and removes the older game.
  set(CPACK_PACKAGE_INSTALL_DIRECTORY ropi)
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY ropi)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_PACKAGE_NAME ${ROPI_TITLE})
  set(CPACK_NSIS_DISPLAY_NAME ${ROPI_TITLE})
  set(CPACK_NSIS_MUI_ICON ${ROPI_WINDOWS_ICON})
  set(CPACK_NSIS_MUI_UNIICON ${ROPI_WINDOWS_ICON})
  set(CPACK_NSIS_INSTALLED_ICON_NAME ropi.exe)
  set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)

  # The game reads its picture and cues from its current directory, so its
  # shortcut starts it in its own folder: CreateShortCut takes the output
  # folder as the shortcut's working folder.
  set(CPACK_NSIS_CREATE_ICONS_EXTRA "
  SetOutPath \"$INSTDIR\"
  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\${ROPI_TITLE}.lnk\" \"$INSTDIR\\ropi.exe\"")
  # The uninstaller has removed the key under the publisher's name already;
  # the publisher's key is left empty, and goes too.
  set(CPACK_NSIS_DELETE_ICONS_EXTRA "
  Delete \"$SMPROGRAMS\\$MUI_TEMP\\${ROPI_TITLE}.lnk\"
  DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"")
endif()

include(CPack)
