# Installation layout and the Debian package.
#
#   bin/kestrelon              launcher: lays out the user's own folder, runs the program in it
#   bin/kestrelon-get          the command-line fetch tool
#   lib/kestrelon/kestrelon    the program itself
#   lib/kestrelon/prepare-folder   lays out an installation folder (shared with scripts/)
#   share/kestrelon/           what a fresh installation folder starts with
#   share/applications, share/icons/hicolor, share/metainfo, share/man/man1, share/doc/kestrelon
#
# Every path is relative to the prefix, and the launcher finds the others from its
# own place, so `cmake --install build --prefix DIR` gives a working copy in DIR too.
if(NOT TARGET kestrelon)
    return()
endif()

set(KESTRELON_APP_ID org.kestrelon.Kestrelon)
set(pkg ${CMAKE_SOURCE_DIR}/packaging)

install(TARGETS kestrelon RUNTIME DESTINATION lib/kestrelon)
install(PROGRAMS ${pkg}/prepare-folder.sh DESTINATION lib/kestrelon RENAME prepare-folder)
install(PROGRAMS ${pkg}/kestrelon.sh DESTINATION bin RENAME kestrelon)
if(TARGET kestrelon-get)
    install(TARGETS kestrelon-get RUNTIME DESTINATION bin)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/install/ DESTINATION share/kestrelon)

install(FILES ${pkg}/${KESTRELON_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${pkg}/${KESTRELON_APP_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES ${pkg}/icons/kestrelon-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME kestrelon.png)
endforeach()
install(FILES ${pkg}/icons/kestrelon.svg DESTINATION share/icons/hicolor/scalable/apps)

# Manual pages and the package changelog go in compressed, without time stamps.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed)
foreach(page man/kestrelon.1 man/kestrelon-get.1 changelog.Debian)
    get_filename_component(name ${page} NAME)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
        COMMAND ${GZIP_PROGRAM} -n -9 -c ${pkg}/${page} > ${out}
        DEPENDS ${pkg}/${page} VERBATIM)
    list(APPEND compressed ${out})
endforeach()
add_custom_target(kestrelon_packaging_files ALL DEPENDS ${compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/kestrelon.1.gz
              ${CMAKE_CURRENT_BINARY_DIR}/packaging/kestrelon-get.1.gz
        DESTINATION share/man/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz ${pkg}/copyright
        DESTINATION share/doc/kestrelon)
install(FILES ${pkg}/lintian-overrides DESTINATION share/lintian/overrides RENAME kestrelon)

# The Debian package: cpack -G DEB (scripts/package.sh runs it and checks the result).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrelon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kestrelon developers")
set(CPACK_PACKAGE_CONTACT "Kestrelon developers <kestrelon@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${pkg}/strip-notes.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "small skinned web browser
Kestrelon is a compact desktop web browser. A small skinned main window
carries the address box, the Back, Stop, Forward and Go buttons, a progress
marker and the menus; the pages open in a separate browser window with three
toolbar layouts. It keeps a history with page counters and bookmarks, shows
a few information windows, and fetches the raw source of a page with its own
HTTP/1.0 client, also available on the command line as kestrelon-get.")
include(CPack)
