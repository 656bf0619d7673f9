# `cpack -G DEB` (or plain `cpack`): a Debian package of what `cmake
# --install` puts in place. Its dependencies are worked out by
# dpkg-shlibdeps from the libraries the two programs link, and SDL, which
# the editor opens at run time, is named by hand. `lintian` on it
# reports nothing (tests/cli/check_package.sh checks that).

# What a Debian package carries besides the programs: the copyright file
# and the changelog under /usr/share/doc/<package>, the manual pages in
# English and German, and the AppStream metadata. Manual pages and the
# changelog are compressed at build time (gzip -n: no name or time stamp,
# so the package does not change from one build to the next).
set(ZIRPEL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zirpel-editor)
set(zirpel_packed "")
foreach(page IN ITEMS zirpel.1 zirpel-editor.1 de/zirpel.1 de/zirpel-editor.1)
  set(out ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man/de
    COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/man/${page} > ${out}
    DEPENDS ${CMAKE_SOURCE_DIR}/man/${page} VERBATIM)
  list(APPEND zirpel_packed ${out})
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND gzip -9n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(zirpel_packed_docs ALL DEPENDS ${zirpel_packed} ${CMAKE_BINARY_DIR}/changelog.gz)

install(FILES ${CMAKE_BINARY_DIR}/man/zirpel.1.gz ${CMAKE_BINARY_DIR}/man/zirpel-editor.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/man/de/zirpel.1.gz ${CMAKE_BINARY_DIR}/man/de/zirpel-editor.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/de/man1)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${ZIRPEL_DOC_DIR})
install(FILES data/org.example.ZirpelEditor.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zirpel-editor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zirpel-Editor")
set(CPACK_PACKAGE_CONTACT "Zirpel-Editor <zirpel-editor@example.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zirpel-Editor <zirpel-editor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Klingeltöne aus Musik schneiden (ringtone editor for WAV and MP3)")
set(CPACK_PACKAGE_DESCRIPTION
"Zirpel-Editor öffnet eine WAV- oder MP3-Datei, zeigt ihre Wellenform,
schneidet eine Auswahl zurecht, blendet ein und aus, spielt sie in einer
Schleife ab und speichert sie als WAV, MP3 oder kleinen Klingelton.

Zirpel-Editor turns music into telephone ringtones: open one WAV or MP3
file, select, crop, fade, loop and save it as WAV, MP3 or a small
11025 Hz / 8 kbit/s MP3. The command zirpel does the same without a
window, for many files at once.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs open these when first needed (the sound output; the MP3
# decoder and encoder, the other sound files, Ogg Vorbis, the loudness
# meter), so no link records them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libsdl2-2.0-0, libmpg123-0, libmp3lame0, libsndfile1, libvorbisenc2, libsamplerate0, libebur128-1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
