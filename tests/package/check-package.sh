#!/usr/bin/env bash
# check-package.sh BUILD_DIR WORK_DIR: builds the .deb with CPack, unpacks it
# and checks that a desktop finds everything where it looks.
set -euo pipefail
build="$1"; work="$2"; root="$2/root"
rm -rf "$work"; mkdir -p "$work"
fail() { echo "FAIL: $*"; exit 1; }

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null) \
    || fail "cpack -G DEB"
deb=$(ls "$work"/out/brisvane_*.deb 2>/dev/null | head -1)
[[ -n "$deb" ]] || fail "no package built"
echo "built $(basename "$deb")"
dpkg-deb -x "$deb" "$root"

metainfo=usr/share/metainfo/example.quillmere.Brisvane.metainfo.xml
for f in usr/bin/brisvane usr/share/applications/brisvane.desktop "$metainfo" \
    usr/share/icons/hicolor/{scalable/apps/brisvane.svg,{16x16,48x48,256x256}/apps/brisvane.png}; do
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
appstreamcli validate --no-net "$root/$metainfo" || fail "appstreamcli validate"

# Dependencies: the shared libraries found in the binary, and what it loads at run time.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for dep in libqt6widgets6 libqt6dbus6 libicu72 libc6 xdg-utils fonts-comfortaa qt6-qpa-plugins; do
    grep -q "\b$dep\b" <<<"$depends" || fail "Depends lacks $dep"
done
