#!/usr/bin/env bash
# Runs every suite: host tests (stand-in, sanitizers), then the Windows test programs under
# 64-bit and 32-bit Wine against the deliverables in dist/. Installs what it needs first.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
set -e

ensure_cross_compilers
ensure_packages g++ g++
ensure_packages /usr/src/googletest/CMakeLists.txt googletest
ensure_packages /usr/include/gtest/gtest.h libgtest-dev
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    [[ $(id -u) -eq 0 ]] || { echo "run as root: dpkg --add-architecture i386" >&2; exit 1; }
    dpkg --add-architecture i386
    rm -f /var/lib/apt/velmar-updated
fi
ensure_packages /usr/lib/wine/wine64 wine64 wine
ensure_packages /usr/lib/wine/wine wine32:i386

failed=()
run_suite() { # run_suite <name> <command...>
    local name=$1
    shift
    echo "=== $name"
    if ! "$@"; then
        failed+=("$name")
    fi
}

# Host build and tests.
cmake -S "$root" -B "$root/build/host" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$root/build/host" -j "$jobs"
run_suite "host" ctest --test-dir "$root/build/host" --output-on-failure -j "$jobs"

# Deliverables, then every Windows test program.
"$root/scripts/build.sh"
for machine in x64 x86; do
    cmake --build "$root/build/win-$machine" -j "$jobs"
done

# A fresh Wine prefix with a single service manager.
export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINESERVER=/usr/lib/wine/wineserver
rm -rf "$WINEPREFIX"
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
"$WINESERVER" -w
set +e

run_suite "wine64" ctest --test-dir "$root/build/win-x64" --output-on-failure
run_suite "wine32" ctest --test-dir "$root/build/win-x86" --output-on-failure

if ((${#failed[@]})); then
    echo "FAILED suites: ${failed[*]}"
    exit 1
fi
echo "all suites passed"
