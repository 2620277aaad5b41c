#!/usr/bin/env bash
# Builds every deliverable into dist/x64/ and dist/x86/, installing the cross compilers first
# when they are missing, and prints each deliverable with its size and SHA-256.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_cross_compilers
for machine in x64 x86; do
    configure_windows "$machine"
    cmake --build "$root/build/win-$machine" --target deliverables -j "$jobs"
    cmake --install "$root/build/win-$machine" --prefix "$root/dist" >/dev/null
done
echo "deliverables in $root/dist (bytes, SHA-256):"
(cd "$root/dist" && find . -type f | sort | while read -r file; do
    printf '%-28s %8d  %s\n' "${file#./}" "$(stat -c %s "$file")" "$(sha256sum "$file" | cut -d' ' -f1)"
done)
