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
    apt_update_failed= # the new architecture's lists are worth another try
fi
# One transaction: the two loaders share libraries that must be at one version on both sides.
ensure_packages /usr/lib/wine/wine wine64 wine wine32:i386
ensure_packages /usr/lib/wine/wine64 wine64 wine
ensure_packages wixl wixl

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

# The key-list scanner under the fuzzer: a bounded number of runs from the seed exports. New
# inputs go to build/fuzz/corpus, never into the seeds.
ensure_packages clang++ clang
ensure_packages "$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-x86_64.a" \
    libclang-rt-14-dev
mkdir -p "$root/build/fuzz/corpus"
clang++ -std=c++17 -g -O1 -Wall -Wextra -Werror -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=all -I"$root/tools/cleanup" "$root/tests/fuzz/keyscan_fuzz.cpp" \
    "$root/tools/cleanup/keyscan.cpp" -o "$root/build/fuzz/keyscan_fuzz"
run_suite "fuzz" "$root/build/fuzz/keyscan_fuzz" -runs=500000 -max_len=4096 \
    -artifact_prefix="$root/build/fuzz/" "$root/build/fuzz/corpus" "$root/tests/fuzz/keyscan_corpus"

# Deliverables, then every Windows test program.
"$root/scripts/build.sh"
for machine in x64 x86; do
    cmake --build "$root/build/win-$machine" -j "$jobs"
done

# Two builds of the committed tree in other folders give the same bytes.
run_suite "reproducible" "$root/scripts/check-reproducible.sh"

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
