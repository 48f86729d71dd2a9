# Shared steps of the top-level commands. Source it, then call choose_flavour once the packages
# are installed; it sets ROOT, FLAVOUR, BUILD and PREFIX. A flavour asked for that this machine
# cannot run is refused before anything is installed.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JOBS=${VADAZ_JOBS:-$(nproc)}

# Both flavours' compilers and Wines: the 32-bit one is what ships, the 64-bit one is the same
# sources built and tested where the machine runs no 32-bit programs.
PACKAGES=(g++-mingw-w64-i686-posix mingw-w64-i686-dev mingw-w64-tools binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
          libwine-dev wine wine32:i386 wine64 libboost1.81-dev googletest cmake make python3 gdal-bin imagemagick
          proj-bin fonts-dejavu-core ghostscript)

log() { printf '==> %s\n' "$*"; }

install_packages() {
    check_flavour_request
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        log "packages already installed"
        return
    fi
    log "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo dpkg --add-architecture i386
    # A mirror caught in the middle of a sync serves an index that its release file does not
    # describe: apt leaves that index out and the update fails, while the others are fresh. A
    # little later the mirror is whole again; if not, the install works from what was fetched.
    local attempt
    for attempt in 1 2 3; do
        $sudo apt-get update -q && break
        log "the package indexes are incomplete (attempt $attempt of 3)"
        [ "$attempt" -eq 3 ] || sleep 20
    done
    local install=(apt-get install -y -q --no-install-recommends)
    if ! DEBIAN_FRONTEND=noninteractive $sudo "${install[@]}" "${missing[@]}"; then
        # Without one architecture's index of the security updates, the two architectures'
        # packages disagree on versions: both come from the release itself then.
        local release
        release=$(. /etc/os-release && echo "$VERSION_CODENAME")
        log "installing from the $release release alone"
        DEBIAN_FRONTEND=noninteractive $sudo "${install[@]}" -t "$release" "${missing[@]}"
    fi
}

# Whether this machine runs 32-bit x86 programs: some kernels are built without that support, and
# there no 32-bit program starts, the loader that wine32 installs included. The kernel alone is
# asked, before anything is installed, with a static 32-bit program of three instructions (exit
# with 0 through int 0x80), which needs no loader. It is written into the checkout, where the
# build's programs run too (a temporary folder may allow none).
runs_32bit_programs() {
    local probe ran=1
    probe=$(mktemp "$ROOT/.i386-probe.XXXXXX") || return 1
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'\
'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'\
'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00'\
'\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' >"$probe" && chmod +x "$probe" &&
        "$probe" >/dev/null 2>&1 && ran=0
    rm -f "$probe"
    return "$ran"
}

# VADAZ_FLAVOUR takes 32, 64 or nothing; 32 only where the machine runs 32-bit programs.
check_flavour_request() {
    case "${VADAZ_FLAVOUR:-}" in
        ""|64) ;;
        32) runs_32bit_programs || {
                echo "FAILED: VADAZ_FLAVOUR=32, but this machine runs no 32-bit programs (a 32-bit program cannot start)"
                return 1
            } ;;
        *) echo "FAILED: VADAZ_FLAVOUR is \"$VADAZ_FLAVOUR\"; it takes 32 or 64"; return 1 ;;
    esac
}

# The flavour to build and test: VADAZ_FLAVOUR=32 or 64 chooses; by default the 32-bit one, the
# one shipped, unless the machine runs no 32-bit programs. Sets FLAVOUR, BUILD, PREFIX and the
# Wine environment. With "build", only to build it: the 32-bit flavour is built on any machine.
choose_flavour() {
    local purpose=${1:-test}
    FLAVOUR=${VADAZ_FLAVOUR:-}
    if [ "$purpose" != build ]; then
        check_flavour_request || return 1
    fi
    if [ -z "$FLAVOUR" ]; then
        if runs_32bit_programs; then FLAVOUR=32; else
            FLAVOUR=64
            log "this machine runs no 32-bit programs: building and testing the 64-bit flavour under 64-bit Wine"
        fi
    fi
    if [ "$FLAVOUR" = 32 ]; then
        BUILD=${VADAZ_BUILD_DIR:-$ROOT/build}
        TOOLCHAIN=$ROOT/cmake/toolchain-mingw32.cmake
        export WINEARCH=win32
    else
        BUILD=${VADAZ_BUILD_DIR:-$ROOT/build64}
        TOOLCHAIN=$ROOT/cmake/toolchain-mingw64.cmake
        export WINEARCH=win64
        # The build tree's wine, wineboot and winepath start the 64-bit loader (cmake/Project.cmake).
        export PATH="$BUILD/wine64-bin:$PATH"
    fi
    PREFIX=${VADAZ_WINEPREFIX:-$BUILD/wineprefix}
}

build_all() {
    log "building the $FLAVOUR-bit flavour into $BUILD"
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
          -DCMAKE_BUILD_TYPE=Release -DVADAZ_WINEPREFIX="$PREFIX" >/dev/null
    cmake --build "$BUILD" -j "$JOBS"
}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
CLOSED_SERVICE="http://127.0.0.1:1/"

# A fresh prefix of the flavour's bitness with the null display driver, so windows, dialogs and DCs
# work without X.
# A program that crashes gets its backtrace written by Wine's debugger, which then ends it: the
# debugger's crash dialog would wait for a person that no test run has.
fresh_prefix() {
    log "making a fresh Wine prefix in $PREFIX"
    WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true
    rm -rf "$PREFIX"
    mkdir -p "$(dirname "$PREFIX")"
    WINEPREFIX="$PREFIX" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$PREFIX" wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    # The imagery web services and tile servers answer from a closed local port, so that no map
    # reaches the internet, whatever the machine's language chooses; the imagery tests point them at
    # their own server.
    local service
    for service in BackgroundMapMetadataService BackgroundMapTokenService BackgroundMapTileServer \
                   BackgroundMapAlternativeTileServer; do
        WINEPREFIX="$PREFIX" wine reg add 'HKCU\Software\Zemro\Terravex' /v "$service" /d "$CLOSED_SERVICE" /f \
            >/dev/null 2>&1
    done
    WINEPREFIX="$PREFIX" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
    WINEPREFIX="$PREFIX" wineserver -w
}

# One Wine server for the whole run, started before any program so that it stays up between
# programs: a server started by a program ends a moment after the last program has gone, and the
# next program pays for a new server and its background programs.
keep_server() {
    WINEPREFIX="$PREFIX" wineserver -p 2>/dev/null || true
}

# Registers the control library and every stand-in into the prefix, and gives the prefix its
# printer.
register_all() {
    local dll
    for dll in "$BUILD/ZmaVOMap2/VadAZ.dll" $(find "$BUILD/standins" -name '*.dll' 2>/dev/null | sort); do
        log "registering $(basename "$dll")"
        WINEPREFIX="$PREFIX" wine regsvr32 /s "$dll" || { echo "FAILED: regsvr32 $dll"; return 1; }
    done
    add_printer
}

# The prefix's default printer: PostScript, every document written to one file in the prefix
# (a file path as its port, so that no print-to-file prompt appears).
PRINTER_NAME="VadAZ Test Printer"
PRINTER_OUTPUT='C:\vadaz-printer\printed.ps'
add_printer() {
    log "adding the printer \"$PRINTER_NAME\""
    WINEPREFIX="$PREFIX" wine "$BUILD/standins/printer/AddFilePrinter.exe" "$PRINTER_NAME" "$PRINTER_OUTPUT" \
        || { echo "FAILED: adding the printer"; return 1; }
}
