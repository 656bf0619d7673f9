# `cpack -G DEB` (or plain `cpack`): a Debian package of what `cmake
# --install` puts in place. Its dependencies are worked out by
# dpkg-shlibdeps from the libraries the two programs link.
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
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
