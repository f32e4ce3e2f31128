#!/usr/bin/env bash
# Mutation check: does some test fail for each hand-written fault of scripts/mutations.txt?
# Works on a separate copy of the sources (a detached git worktree of HEAD, kept for the next
# run) with its own build folder, never on the checkout it is started from. Takes long.
#   scripts/mutate.sh [--tree DIR] [--only NAME...] [--check] [--results FILE]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
tree=""
args=()
while [ $# -gt 0 ]; do
    case "$1" in
    --tree) tree="$2"; shift 2 ;;
    *) args+=("$1"); shift ;;
    esac
done
if [ -z "$tree" ]; then
    tree="${MUTATE_TREE:-${TMPDIR:-/tmp}/zeptal32-mutate}"
    if [ ! -d "$tree" ]; then
        git -C "$repo" worktree add --detach "$tree" HEAD >/dev/null
    else
        git -C "$tree" checkout --detach -q "$(git -C "$repo" rev-parse HEAD)"
    fi
fi
if [ "$(cd "$tree" && pwd)" = "$repo" ]; then
    echo "mutate.sh: refuses to mutate the checkout it runs from; give another --tree" >&2
    exit 2
fi
exec python3 "$here/mutate.py" --tree "$tree" "${args[@]}"
