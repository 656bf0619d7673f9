#!/usr/bin/env bash
# Builds the Debian package of a configured and built tree into a scratch
# folder and checks that it holds both programs, the desktop entry and the
# icons, and that its dependencies name the libraries the programs link.
#   check_package.sh <build dir>
# Exit 77 (skipped) when cpack or dpkg-deb is missing.
set -euo pipefail
build=${1:?build dir}
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool fehlt: Pakettest übersprungen"
    exit 77
  fi
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch" > "$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; exit 1; }
deb=$(find "$scratch" -maxdepth 1 -name 'zirpel-editor_*.deb' | head -n 1)
[ -n "$deb" ] || { echo "kein Paket gebaut"; cat "$scratch/cpack.log"; exit 1; }

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' > "$scratch/files"
fail=0
for f in /usr/bin/zirpel /usr/bin/zirpel-editor \
         /usr/share/applications/zirpel-editor.desktop \
         /usr/share/icons/hicolor/48x48/apps/zirpel-editor.png \
         /usr/share/icons/hicolor/64x64/apps/zirpel-editor.png \
         /usr/share/icons/hicolor/128x128/apps/zirpel-editor.png \
         /usr/share/icons/hicolor/256x256/apps/zirpel-editor.png \
         /usr/share/icons/hicolor/scalable/apps/zirpel-editor.svg; do
  grep -qxF "$f" "$scratch/files" || { echo "fehlt im Paket: $f"; fail=1; }
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libmpg123-0 libmp3lame0 libsdl2-2.0-0; do
  grep -q "$lib" <<< "$depends" || { echo "Abhängigkeit fehlt: $lib"; fail=1; }
done
[ "$(dpkg-deb -f "$deb" Section)" = sound ] || { echo "Section ist nicht sound"; fail=1; }
exit $fail
