#!/usr/bin/env bash
# Builds the Debian package of a built tree into a scratch folder and checks
# that it holds both programs, the desktop entry, the icons, the manual
# pages, the copyright file, the changelog and the AppStream file, depends
# on the libraries the programs link, and that lintian (when installed)
# reports neither an error nor a warning. Exit 77 (skipped) without the
# packaging tools.
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
         share/icons/hicolor/scalable/apps/zirpel-editor.svg \
         share/man/man1/{zirpel,zirpel-editor}.1.gz share/man/de/man1/{zirpel,zirpel-editor}.1.gz \
         share/doc/zirpel-editor/{copyright,changelog.gz} \
         share/metainfo/org.example.ZirpelEditor.metainfo.xml; do
  grep -qx "\./usr/$f" <<< "$files" || { echo "fehlt im Paket: /usr/$f"; fail=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libmpg123-0 libmp3lame0 libsdl2-2.0-0 libsndfile1 libvorbisenc2 \
    libsamplerate0 libebur128-1; do
  grep -q "$lib" <<< "$depends" || { echo "Abhängigkeit fehlt: $lib ($depends)"; fail=1; }
done
[ "$(dpkg-deb -f "$deb" Section)" = sound ] || { echo "Section ist nicht sound"; fail=1; }

if command -v lintian >/dev/null; then
  # Every error and warning fails the test; notes and pedantic hints only
  # show. As root lintian says so on stderr, which is no finding.
  report=$(lintian --tag-display-limit 0 "$deb" 2>"$scratch/lintian.err") || true
  [ -z "$report" ] || echo "$report"
  if grep -q '^[EW]: ' <<< "$report"; then fail=1; fi
  if grep -v 'root privileges' "$scratch/lintian.err" | grep -q .; then
    cat "$scratch/lintian.err"; fail=1
  fi
else
  echo "lintian fehlt (Paket lintian): Prüfung des Pakets übersprungen"
fi
exit $fail
