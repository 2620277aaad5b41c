#!/usr/bin/env bash
# Builds every deliverable into dist/x64/ and dist/x86/, installing the cross compilers first
# when they are missing.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_cross_compilers
for machine in x64 x86; do
    configure_windows "$machine"
    cmake --build "$root/build/win-$machine" --target deliverables -j "$jobs"
    cmake --install "$root/build/win-$machine" --prefix "$root/dist" >/dev/null
done
echo "deliverables in $root/dist:"
(cd "$root/dist" && find . -type f | sort)
