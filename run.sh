#!/usr/bin/env bash
# Builds ZEPTAL32 and starts it. Without arguments it talks to the built-in simulated terminal;
# with --hardware it uses the port chosen in the program's settings ("COM Einstellungen").
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
if [ "${1:-}" = "--hardware" ]; then
    exec build/src/app/zeptal32
fi
exec build/src/app/zeptal32 --simulator
