# Shared by build.sh and test.sh: locations and the installation of missing Debian packages.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 4)

# ensure_packages <command-or-file> <package>...: installs the packages when the first argument
# (a command on PATH or an absolute path) is missing.
ensure_packages() {
    local probe=$1
    shift
    if [[ $probe == /* ]]; then
        [[ -e $probe ]] && return 0
    else
        command -v "$probe" >/dev/null 2>&1 && return 0
    fi
    if [[ $(id -u) -ne 0 ]]; then
        echo "missing $probe: run as root: apt-get install -y $*" >&2
        exit 1
    fi
    # A failed update (one index out of sync on the mirror) leaves the lists there are; only a
    # package that then cannot be installed stops the set-up. It is tried once a run.
    if [[ ! -f /var/lib/apt/velmar-updated && -z ${apt_update_failed:-} ]]; then
        local out
        apt_stale_suites=
        if out=$(apt-get update -qq 2>&1); then
            [[ -z $out ]] || echo "$out" >&2
            touch /var/lib/apt/velmar-updated
        else
            echo "$out" >&2
            apt_update_failed=1
            apt_stale_suites=$(grep -o 'Failed to fetch [^ ]*/dists/[^/ ]*' <<<"$out" |
                sed 's|.*/dists/||' | sort -u | tr '\n' ' ' || true)
            echo "apt-get update failed (above); going on with the package lists there are" >&2
        fi
    fi
    echo "installing $*"
    apt_install "$@" && return 0
    # A suite whose index came for one architecture only gives that architecture newer versions,
    # yet a library both hold must be at one version: hold such suites below the others.
    if [[ -n ${apt_stale_suites:-} ]]; then
        local prefs suite ok=
        prefs=$(mktemp)
        for suite in $apt_stale_suites; do
            printf 'Package: *\nPin: release %s=%s\nPin-Priority: 100\n\n' n "$suite" a "$suite"
        done >"$prefs"
        echo "installing $* with ${apt_stale_suites% } held below the other suites"
        apt_install -o Dir::Etc::Preferences="$prefs" "$@" && ok=1
        rm -f "$prefs"
        [[ -z $ok ]] || return 0
    fi
    echo "cannot install $* (apt's message above)" >&2
    exit 1
}

apt_install() { # apt_install [apt-get option]... <package>...
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

ensure_cross_compilers() {
    ensure_packages cmake cmake make
    ensure_packages x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    ensure_packages i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
}

# configure_windows <machine>: the Windows build folder of x64 or x86.
configure_windows() {
    local machine=$1 toolchain
    case $machine in
    x64) toolchain=mingw-w64-x86_64.cmake ;;
    x86) toolchain=mingw-w64-i686.cmake ;;
    esac
    cmake -S "$root" -B "$root/build/win-$machine" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" >/dev/null
}
