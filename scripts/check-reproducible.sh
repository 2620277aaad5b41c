#!/usr/bin/env bash
# Builds the committed tree twice, in two folders of different names, and compares the
# deliverables byte for byte. Exits non-zero when any differs.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for tree in a "second-tree-with-a-longer-name"; do
    mkdir -p "$work/$tree"
    git -C "$root" archive HEAD | tar -x -C "$work/$tree"
    "$work/$tree/scripts/build.sh" >/dev/null
done
if diff -r "$work/a/dist" "$work/second-tree-with-a-longer-name/dist"; then
    echo "reproducible: $(cd "$work/a/dist" && find . -type f | wc -l) deliverables identical"
else
    echo "NOT reproducible"
    exit 1
fi
