#!/usr/bin/env bash
# The set-up script against stand-ins for dpkg-query, apt-get, sudo and id: which package tools
# it calls, in which order, and what it says when it cannot install. The real apt is never run.
set -euo pipefail
deps=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$work/bin
mkdir "$bin"
stub() { printf '#!/bin/sh\n%s\n' "$2" >"$bin/$1" && chmod +x "$bin/$1"; }
# A fully installed machine has the packages in $INSTALLED; one named in $MISSING was removed and
# left its configuration behind; any other name is unknown, as a name only provided by another
# package is.
stub dpkg-query 'for p; do :; done
case " $MISSING " in *" $p "*) printf "deinstall ok config-files"; exit 0 ;; esac
case " $INSTALLED " in *" $p "*) printf "install ok installed" ;; *) echo "no packages found matching $p" >&2; exit 1 ;; esac'
stub apt-get 'echo "apt-get $*" >>"$CALLS"; [ -z "$APT_FAILS" ] || { echo "E: no network" >&2; exit 100; }'
stub sudo 'echo sudo >>"$CALLS"; [ -z "$SUDO_REFUSES" ] || { echo "sudo: a password is required" >&2; exit 1; }; exec "$@"'
stub id 'echo "$USER_ID"'

INSTALLED="cmake g++ ninja-build qt6-base-dev qt6-serialport-dev qt6-translations-l10n"
failures=0
# name | missing | apt fails | user id | sudo refuses | exit | calls (";" between) | last line
# (an installed machine prints nothing at all)
while IFS='|' read -r name missing aptFails userId sudoRefuses rc calls last; do
    : >"$work/calls"
    set +e
    out=$(env PATH="$bin:/usr/bin:/bin" CALLS="$work/calls" INSTALLED="$INSTALLED" MISSING="$missing" \
        APT_FAILS="$aptFails" USER_ID="$userId" SUDO_REFUSES="$sudoRefuses" bash "$deps" 2>&1)
    gotRc=$?
    set -e
    gotCalls=$(paste -sd ';' "$work/calls")
    gotLast=$(printf '%s\n' "$out" | tail -n 1)
    [ "$gotRc" -eq 0 ] || gotRc=1
    if [ "$gotRc" != "$rc" ] || [ "$gotCalls" != "$calls" ] || [ "$gotLast" != "$last" ]; then
        printf 'FAIL %s\n  exit %s, calls "%s"\n  output:\n%s\n' "$name" "$gotRc" "$gotCalls" "$out"
        failures=$((failures + 1))
    fi
done <<'TABLE'
all present|||0||0||
one missing|qt6-serialport-dev||0||0|apt-get update;apt-get install -y --no-install-recommends qt6-serialport-dev|Installing: qt6-serialport-dev
as a user|cmake||1000||0|sudo;apt-get update;sudo;apt-get install -y --no-install-recommends cmake|Installing: cmake
no network|qt6-base-dev g++|1|0||1|apt-get update;apt-get install -y --no-install-recommends g++ qt6-base-dev|Missing Debian packages: g++ qt6-base-dev (apt-get install failed); install them with: sudo apt-get install g++ qt6-base-dev
no root rights|cmake||1000|1|1|sudo;sudo|Missing Debian packages: cmake (apt-get install failed); install them with: sudo apt-get install cmake
TABLE
[ "$failures" -eq 0 ] && echo "deps.sh: all cases pass"
exit "$failures"
