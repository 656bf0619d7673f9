#!/usr/bin/env bash
# Builds the Debian package of a built tree into a scratch folder and checks
# that it holds both programs, the desktop entry and the icons, and depends
# on the libraries the programs link. Exit 77 (skipped) without the tools.
#   check_package.sh <build dir>
set -euo pipefail
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "$tool fehlt: Pakettest übersprungen"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cpack --config "${1:?build dir}/CPackConfig.cmake" -G DEB -B "$scratch" > "$scratch/log" 2>&1 ||
  { cat "$scratch/log"; exit 1; }
deb=$(echo "$scratch"/zirpel-editor_*.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $NF}')
fail=0
for f in bin/zirpel bin/zirpel-editor share/applications/zirpel-editor.desktop \
         share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/zirpel-editor.png \
         share/icons/hicolor/scalable/apps/zirpel-editor.svg; do
  grep -qx "\./usr/$f" <<< "$files" || { echo "fehlt im Paket: /usr/$f"; fail=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libmpg123-0 libmp3lame0 libsdl2-2.0-0; do
  grep -q "$lib" <<< "$depends" || { echo "Abhängigkeit fehlt: $lib ($depends)"; fail=1; }
done
[ "$(dpkg-deb -f "$deb" Section)" = sound ] || { echo "Section ist nicht sound"; fail=1; }
exit $fail
