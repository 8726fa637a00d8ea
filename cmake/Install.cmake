# Installation and the Debian package.
#
# cmake --install lays out, under the prefix:
#   lib/quendral/                 the program folder: quendral (the name
#                                 users type, no Qt: answers --status, hands
#                                 the rest to quendral-cli), quendral-cli (the
#                                 command line, Qt Core only), quendral-gui
#                                 (the tray program), Languages/, beep.wav,
#                                 quendral.svg, quendral.ico
#   bin/quendral                  relative symbolic link to quendral; the
#                                 program finds its folder through its real path
#   share/applications/quendral.desktop
#   share/metainfo/<id>.metainfo.xml
#   share/icons/hicolor/{scalable,48x48}/apps/quendral.{svg,png}
#   share/man/man1/quendral.1.gz
#   share/doc/quendral/{copyright,changelog.gz}
# cpack -G DEB turns that into quendral_<version>_<arch>.deb (prefix /usr).

if(WIN32)
    # Windows: a zip of the program folder (quendral.exe, the command line,
    # and quendral-gui.exe, the tray program it starts; the DLLs and the
    # platform plugin and Qt's translations that scripts/deploy-windows.sh put
    # beside it, Languages/, beep.wav and the icons); it runs where it is
    # unpacked.
    install(DIRECTORY ${QUENDRAL_PROGRAM_DIR}/ DESTINATION .
        FILES_MATCHING PATTERN "*.exe" PATTERN "*.dll" PATTERN "*.ini" PATTERN "beep.wav" PATTERN "quendral.ico"
                       PATTERN "quendral.png" PATTERN "qtbase_*.qm"
        PATTERN "test_*" EXCLUDE PATTERN "Qt6Test.dll" EXCLUDE PATTERN "lib" EXCLUDE)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_NAME quendral)
    set(CPACK_PACKAGE_FILE_NAME "quendral-${PROJECT_VERSION}-windows")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    include(CPack)
    return()
endif()

set(QUENDRAL_INSTALL_BINDIR "bin" CACHE STRING "Folder of the quendral command, relative to the prefix")
set(QUENDRAL_INSTALL_PROGRAMDIR "lib/quendral" CACHE STRING "The program folder, relative to the prefix")
set(QUENDRAL_APPSTREAM_ID "org.example.Quendral" CACHE STRING "AppStream component id (reverse DNS)")
foreach(dir QUENDRAL_INSTALL_BINDIR QUENDRAL_INSTALL_PROGRAMDIR)
    if(IS_ABSOLUTE "${${dir}}")
        message(FATAL_ERROR "${dir} must be relative to the prefix, so that bin/quendral can be a relative link")
    endif()
endforeach()
set(QUENDRAL_INSTALL_DATADIR share)
set(QUENDRAL_INSTALL_DOCDIR share/doc/quendral)
set(QUENDRAL_INSTALL_MANDIR share/man)

# Directories 0755 whatever the umask (Debian policy, lintian).
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(pkg_bin ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${pkg_bin})

# --- Files made at build time ----------------------------------------------

# 48 px icon for menus that do not take SVG, rendered from the SVG.
find_program(QUENDRAL_RSVG_CONVERT rsvg-convert)
find_program(QUENDRAL_IM_CONVERT NAMES convert-im6.q16 convert)
set(icon_png ${pkg_bin}/quendral-48.png)
set(icon_svg ${PROJECT_SOURCE_DIR}/resources/quendral.svg)
if(QUENDRAL_RSVG_CONVERT)
    set(render_png COMMAND ${QUENDRAL_RSVG_CONVERT} --width=48 --height=48 --keep-aspect-ratio
                           --output=${icon_png} ${icon_svg})
elseif(QUENDRAL_IM_CONVERT)
    set(render_png COMMAND ${QUENDRAL_IM_CONVERT} -background none -density 384 ${icon_svg}
                           -resize 48x48 -strip PNG32:${icon_png})
else()
    message(WARNING "Neither rsvg-convert (librsvg2-bin) nor ImageMagick found: "
                    "the 48 px menu icon is left out of the installation")
    set(icon_png)
endif()
if(icon_png)
    add_custom_command(OUTPUT ${icon_png} ${render_png}
        DEPENDS ${icon_svg}
        COMMENT "Rendering the 48 px menu icon"
        VERBATIM)
endif()

# Text files filled in with the version and the author's addresses.
foreach(name quendral.metainfo.xml quendral.1 changelog copyright)
    configure_file(${pkg_src}/${name}.in ${pkg_bin}/${name} @ONLY)
endforeach()

# Man page and changelog, compressed without a time stamp (gzip -n) so that
# the package is reproducible.
set(gz_outputs)
foreach(name quendral.1 changelog)
    add_custom_command(OUTPUT ${pkg_bin}/${name}.gz
        COMMAND gzip -9nc ${pkg_bin}/${name} > ${pkg_bin}/${name}.gz
        DEPENDS ${pkg_bin}/${name}
        COMMENT "Compressing ${name}")
    list(APPEND gz_outputs ${pkg_bin}/${name}.gz)
endforeach()

add_custom_target(quendral_install_files ALL DEPENDS ${icon_png} ${gz_outputs})

# bin/quendral: a relative link made here and installed as a link.
file(RELATIVE_PATH link_target /prefix/${QUENDRAL_INSTALL_BINDIR} /prefix/${QUENDRAL_INSTALL_PROGRAMDIR}/quendral)
file(MAKE_DIRECTORY ${pkg_bin}/bin)
file(CREATE_LINK ${link_target} ${pkg_bin}/bin/quendral SYMBOLIC)

# --- Install rules -----------------------------------------------------------

# quendral, the Qt front (quendral-cli on Linux; quendral itself on Windows)
# and quendral-gui.
set(programs quendral ${QUENDRAL_FRONT_TARGET} quendral-gui)
list(REMOVE_DUPLICATES programs)
install(TARGETS ${programs} RUNTIME DESTINATION ${QUENDRAL_INSTALL_PROGRAMDIR})
install(FILES ${CMAKE_BINARY_DIR}/Languages/Polish.ini ${CMAKE_BINARY_DIR}/Languages/English.ini
        DESTINATION ${QUENDRAL_INSTALL_PROGRAMDIR}/Languages)
install(FILES ${PROJECT_SOURCE_DIR}/resources/beep.wav
              ${PROJECT_SOURCE_DIR}/resources/quendral.svg
              ${PROJECT_SOURCE_DIR}/resources/quendral.ico
        DESTINATION ${QUENDRAL_INSTALL_PROGRAMDIR})
install(FILES ${pkg_bin}/bin/quendral DESTINATION ${QUENDRAL_INSTALL_BINDIR})

install(FILES ${pkg_src}/quendral.desktop DESTINATION ${QUENDRAL_INSTALL_DATADIR}/applications)
install(FILES ${pkg_bin}/quendral.metainfo.xml DESTINATION ${QUENDRAL_INSTALL_DATADIR}/metainfo
        RENAME ${QUENDRAL_APPSTREAM_ID}.metainfo.xml)
install(FILES ${icon_svg} DESTINATION ${QUENDRAL_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
if(icon_png)
    install(FILES ${icon_png} DESTINATION ${QUENDRAL_INSTALL_DATADIR}/icons/hicolor/48x48/apps
            RENAME quendral.png)
endif()
install(FILES ${pkg_bin}/quendral.1.gz DESTINATION ${QUENDRAL_INSTALL_MANDIR}/man1)
install(FILES ${pkg_bin}/copyright ${pkg_bin}/changelog.gz DESTINATION ${QUENDRAL_INSTALL_DOCDIR})

# --- Debian package ------------------------------------------------------------

set(CPACK_PACKAGE_NAME quendral)
set(CPACK_PACKAGE_VENDOR "Quendral")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quendral author <${QUENDRAL_AUTHOR_EMAIL}>")
set(CPACK_PACKAGE_HOMEPAGE_URL ${QUENDRAL_AUTHOR_PAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray utility that acts when downloads finish")
set(CPACK_PACKAGE_DESCRIPTION [=[
Quendral sits in the system tray and watches a list of files that running
downloads will produce. Every 30 seconds it checks whether they are there;
when all of them (or, by option, any one) are, it carries out the actions
chosen beforehand: hang up the active dial-up connections, power the
computer off (each announced by a countdown that can be declined), play a
sound or show a notice.

The interface is in Polish or English.]=])
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_PACKAGE_NAME quendral)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUENDRAL_AUTHOR_PAGE})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries the executable links (Qt, the C and C++ run-times)
# come from dpkg-shlibdeps; the rest is loaded at run time and listed here:
# Qt's platform and SVG plugins, libcanberra (opened on the first sound), its
# PulseAudio back-end and the sound theme it plays, and Qt's translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6svg6, qt6-qpa-plugins, libcanberra0, libcanberra-pulse, sound-theme-freedesktop, qt6-translations-l10n")
# Qt's Wayland platform, for Wayland sessions; under X11 the program needs none.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

include(CPack)
