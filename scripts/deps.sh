#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing. A machine that
# has them all calls no package tool but dpkg-query and prints nothing, so it also starts without
# network. The names are real packages: a name that is only provided by another package never
# shows as installed.
set -euo pipefail
packages=(cmake g++ ninja-build qt6-base-dev qt6-serialport-dev qt6-translations-l10n)
missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) || status=
    [[ $status == *"ok installed"* ]] || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

reason() {
    echo "Missing Debian packages: ${missing[*]} ($1); install them with:" \
        "sudo apt-get install ${missing[*]}" >&2
    exit 1
}
echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || reason "not root and no sudo"
    sudo_cmd=(sudo)
fi
# Stale package lists may still serve a local mirror, so a failed update is not the end yet.
"${sudo_cmd[@]}" apt-get update || echo "apt-get update failed; trying the known package lists"
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}" || reason "apt-get install failed"
