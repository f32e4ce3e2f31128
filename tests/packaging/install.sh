#!/usr/bin/env bash
# Installs the build into a fresh DESTDIR and runs the installed programs from there.
set -euo pipefail
build=$1 root=$2 version=$3
rm -rf "$root"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
bin=$root/usr/bin
fail() { echo "FAIL: $*" >&2; exit 1; }
for program in zeptal32 zeptal32-cli pultino-sim; do
    out=$("$bin/$program" --version) || fail "$program --version ended with $?"
    [ "$out" = "$program $version" ] || fail "$program --version printed '$out'"
done
out=$("$bin/zeptal32-cli" --quiet --simulator version) || fail "installed --simulator version: $?"
[ "$out" = "1.80" ] || fail "installed --simulator version printed '$out'"
for dir in "$root"/usr/share/icons/hicolor/*x*/apps; do
    size=${dir%/apps}; size=${size##*/}
    file "$dir"/*.png | grep -q "PNG image data, ${size/x/ x }," || fail "icon in $dir is not $size"
done
[ -n "$(ls "$root"/usr/share/icons/hicolor/*x*/apps/*.png 2>/dev/null)" ] || fail "no PNG icons"
echo "installed into $root"
