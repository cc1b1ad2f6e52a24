# The Debian package, made by CPack from what `install` puts in place
# (scripts/package builds it). Its documentation folder gets the copyright
# and changelog files Debian asks of every package; the dependencies are
# worked out from the installed binaries by dpkg-shlibdeps.

set(KORVEX_PACKAGE korvex-viewer)
set(KORVEX_MAINTAINER "Korvex Model Viewer developers <korvex-viewer@example.org>")
set(KORVEX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${KORVEX_PACKAGE})

# The package's version is the one the programs print.
file(STRINGS ${PROJECT_SOURCE_DIR}/model/program_name.h KORVEX_PROGRAM_VERSION REGEX "ProgramVersion = ")
if(NOT KORVEX_PROGRAM_VERSION MATCHES "\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "model/program_name.h gives another version than ${PROJECT_VERSION}: ${KORVEX_PROGRAM_VERSION}")
endif()
# The changelog's newest entry must be the version being built.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog KORVEX_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT KORVEX_CHANGELOG_TOP MATCHES "^${KORVEX_PACKAGE} \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "cmake/changelog does not begin with version ${PROJECT_VERSION}: ${KORVEX_CHANGELOG_TOP}")
endif()
# Compressed without a name or time in it, so that the same changelog makes the same file.
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
  COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > ${PROJECT_BINARY_DIR}/changelog.gz
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
  COMMENT "Compressing the changelog")
add_custom_target(korvex_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${KORVEX_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${KORVEX_PACKAGE})
set(CPACK_PACKAGE_VENDOR "Korvex Model Viewer developers")
set(CPACK_PACKAGE_CONTACT ${KORVEX_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for racing-game car models")
set(CPACK_PACKAGE_DESCRIPTION
"Korvex Model Viewer opens the car-model files of a racing game (32-bit ELF
relocatable objects holding geometry blocks) and shows the car as a lit,
textured 3-D model that turns, tilts and zooms with the mouse. A tree lists
the model's parts: show or hide each one, rename it, and give it a colour,
a texture (TGA, JPEG or BMP), transparency or a reflection. Looks save that
set-up; pictures, turntable films and UV layout templates can be written.
.
korvex-inspect does the same without a window: it lists a model's parts,
decodes textures, draws pictures, films and sheets of standard views, exports
glTF and OBJ files, and draws the thumbnails file managers show for car files.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${KORVEX_PACKAGE})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KORVEX_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/korvex-viewer)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window draws natively on a Wayland desktop with Qt's Wayland platform.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
