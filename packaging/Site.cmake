# The browser's game: a folder that any web server can serve (build-web/site). It holds the
# backend's page (platform/web/page) and program, the game's files, its icons and a web app
# manifest, and the service worker that keeps them for a visit without a network; the page
# and the service worker are stamped with the build (tools/stamp-site.py).
set(ROPI_SITE ${PROJECT_BINARY_DIR}/site)
set(ROPI_PAGE ${PROJECT_SOURCE_DIR}/platform/web/page)
set(ROPI_GENERATED_DIR ${PROJECT_BINARY_DIR}/packaging)

set(ROPI_SHORT_TITLE "ろぴぽあ")
set(ROPI_WEB_DESCRIPTION "ネコが真ん中に来たときに F か J を押すゲーム。音だけでも遊べます。")
set(ROPI_GAME_FILE_NAMES)
foreach(file ${ROPI_GAME_FILES})
  get_filename_component(name ${file} NAME)
  list(APPEND ROPI_GAME_FILE_NAMES "\"${name}\"")
endforeach()
list(JOIN ROPI_GAME_FILE_NAMES "," ROPI_GAME_FILE_NAMES)
set(ROPI_GAME_FILE_NAMES "[${ROPI_GAME_FILE_NAMES}]")
configure_file(${ROPI_PAGE}/index.html ${ROPI_GENERATED_DIR}/index.html @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/ropi.webmanifest.in
  ${ROPI_GENERATED_DIR}/manifest.webmanifest @ONLY)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_target(ropi_site ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ROPI_SITE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ROPI_SITE}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ropi> $<TARGET_FILE_DIR:ropi>/ropi.wasm
          ${ROPI_GENERATED_DIR}/index.html ${ROPI_GENERATED_DIR}/manifest.webmanifest
          ${ROPI_PAGE}/ropi.css ${ROPI_PAGE}/sw.js ${ROPI_GAME_FILES}
          ${PROJECT_SOURCE_DIR}/assets/ropi.png ${PROJECT_SOURCE_DIR}/assets/ropi-192.png
          ${PROJECT_SOURCE_DIR}/assets/ropi-512.png ${ROPI_SITE}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/stamp-site.py ${ROPI_SITE}
  COMMENT "The site in ${ROPI_SITE}"
  VERBATIM)
add_dependencies(ropi_site ropi)
