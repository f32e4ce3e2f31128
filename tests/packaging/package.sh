#!/usr/bin/env bash
# Builds the Debian package into OUT and lets lintian judge it: no error may be left.
set -euo pipefail
build=$1 out=$2
rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/zeptal32_*.deb)
dpkg-deb -f "$deb" Depends | grep -q libqt6serialport6 || { echo "no Qt in Depends" >&2; exit 1; }
lintian --fail-on error "$deb"
