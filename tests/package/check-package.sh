#!/usr/bin/env bash
# check-package.sh BUILD_DIR WORK_DIR: builds the .deb with CPack, unpacks it
# and checks that a desktop finds everything where it looks.
set -euo pipefail
build="$1"; work="$2"
rm -rf "$work"; mkdir -p "$work"
fail() { echo "FAIL: $*"; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null) \
    || fail "cpack -G DEB"
deb=$(ls "$work"/out/brisvane_*.deb 2>/dev/null | head -1)
[[ -n "$deb" ]] || fail "no package built"
echo "built $(basename "$deb")"

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/brisvane \
         usr/share/applications/brisvane.desktop \
         usr/share/metainfo/example.quillmere.Brisvane.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/brisvane.svg \
         usr/share/icons/hicolor/16x16/apps/brisvane.png \
         usr/share/icons/hicolor/48x48/apps/brisvane.png \
         usr/share/icons/hicolor/256x256/apps/brisvane.png; do
    [[ -s "$root/$f" ]] || fail "missing $f"
done
[[ -x "$root/usr/bin/brisvane" ]] || fail "brisvane is not executable"
file "$root/usr/bin/brisvane" | grep -q 'ELF 64-bit' || fail "brisvane is not an ELF executable"
# Every icon is the size its folder says.
for png in "$root"/usr/share/icons/hicolor/*x*/apps/brisvane.png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    file "$png" | grep -q "${size/x/ x }," || fail "$png is not $size"
done

desktop-file-validate "$root/usr/share/applications/brisvane.desktop" || fail "desktop-file-validate"
grep -qx 'Categories=Utility;Clock;' "$root/usr/share/applications/brisvane.desktop" || fail "categories"
appstreamcli validate --no-net "$root/usr/share/metainfo/example.quillmere.Brisvane.metainfo.xml" \
    || fail "appstreamcli validate"

# Dependencies: the shared libraries found in the binary, and what it loads at run time.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in libqt6widgets6 libqt6dbus6 libicu72 libc6 xdg-utils fonts-comfortaa qt6-qpa-plugins; do
    grep -q "\b$dep\b" <<<"$depends" || fail "Depends lacks $dep"
done
