# Shared by scripts/test and scripts/run: package installation, a virtual
# display and a Wine prefix inside the build tree.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# need_packages pkg...: installs the Debian packages that are missing.
need_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "== installing: ${missing[*]}"
        if [ "$(id -u)" -ne 0 ]; then
            echo "error: run as root to install ${missing[*]}" >&2
            return 1
        fi
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
    fi
}

BASE_PACKAGES=(cmake make g++ libgtest-dev googletest libbenchmark-dev clang
    libclang-rt-14-dev g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 wine64 wine xvfb xauth x11-utils xdotool openbox
    imagemagick jackd2 libasound2-plugins ffmpeg fonts-wine)

# start_display: starts Xvfb on a free display unless DISPLAY is set and
# answers; exports DISPLAY and XVFB_PID (empty when not ours).
start_display() {
    XVFB_PID=""
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] && continue
        Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 1 50); do
            xdpyinfo >/dev/null 2>&1 && return 0
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
        XVFB_PID=""
    done
    echo "error: could not start Xvfb" >&2
    return 1
}

stop_display() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
}

# start_wine PREFIX: a fresh prefix (made once per build tree) and one
# wineserver kept alive for the whole run.
start_wine() {
    export WINEPREFIX="$1" WINEARCH=win64 WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "== creating Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    wineserver -p >/dev/null 2>&1 &
    # Start Wine's background services now, detached from our output: a
    # service started by the first test would inherit CTest's pipe and keep
    # CTest waiting for it to close.
    wineboot </dev/null >/dev/null 2>&1
}

stop_wine() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    return 0
}

# release_build DIR TARGET [cmake args...]: configures DIR as the optimised
# build users run (Release: -O2, NDEBUG; no tests) and builds TARGET in it,
# logging to DIR.configure.log and DIR.build.log.
release_build() {
    local dir="$1" target="$2"
    shift 2
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DBITDEK_TESTS=OFF "$@" \
        >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
    cmake --build "$dir" -j "$(nproc)" --target "$target" >"$dir.build.log" 2>&1 ||
        { grep -v -E '^\[ *[0-9]+%\]' "$dir.build.log" | tail -60; return 1; }
}

# no_assertions EXE: true when the executable calls no assertion handler
# (glibc's __assert_fail natively, the C runtime's _assert or _wassert in a
# Windows program), that is, when it was built with NDEBUG.
no_assertions() {
    case "$1" in
    *.exe) ! x86_64-w64-mingw32-objdump -p "$1" | grep -qwE '_w?assert' ;;
    *) ! nm -u "$1" | grep -qw '__assert_fail' ;;
    esac || { echo "error: $1 still has assertions (not an NDEBUG build)" >&2; return 1; }
}
