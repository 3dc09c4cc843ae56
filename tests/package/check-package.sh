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

# Dependencies: the package of every shared library the binary needs, as this
# release names it (libicu72 on Debian 12, libicu76 on 13), and what the
# program loads at run time.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# For each library the binary names, ldd tells which file it is (libm.so.6 of
# this architecture, not of lib32); its folder and name find the package,
# whether the file lies under /lib or /usr/lib.
needed=$(objdump -p "$build/src/brisvane" | awk '$1 == "NEEDED" { print $2 }')
[[ -n "$needed" ]] || fail "objdump found no libraries in the binary"
resolved=$(ldd "$build/src/brisvane")
for name in $needed; do
    library=$(awk -v name="$name" '$1 == name && $2 == "=>" { print $3 }' <<<"$resolved")
    [[ "$library" == /* ]] || fail "ldd cannot find $name"
    owner=$(dpkg -S "*/$(basename "$(dirname "$library")")/$(basename "$library")" 2>/dev/null \
        | head -1) || fail "no package holds $library"
    owner=${owner%%[:,]*}
    grep -q "\b$owner\b" <<<"$depends" || fail "Depends lacks $owner (for $library)"
done
for dep in xdg-utils fonts-comfortaa qt6-qpa-plugins libqt6svg6; do
    grep -q "\b$dep\b" <<<"$depends" || fail "Depends lacks $dep"
done
