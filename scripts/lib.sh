# Shared by scripts/run and scripts/test; sourced, not run.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc 2>/dev/null || echo 2)"

# install_packages GROUP...: installs what is missing of those groups of
# scripts/packages, with sudo when not root.
install_packages() {
    local wanted=() group="" line
    while IFS= read -r line; do
        line="${line%%#*}"; line="${line// /}"
        [[ -z "$line" ]] && continue
        if [[ "$line" == \[*\] ]]; then group="${line:1:-1}"; continue; fi
        for g in "$@"; do [[ "$g" == "$group" ]] && wanted+=("$line"); done
    done < "$ROOT/scripts/packages"

    install_named "${wanted[@]}"
}

# build PRESET: configures the build of that name in CMakePresets.json (the
# first time in full; later only to take up the preset's settings, which is
# quick), then builds it incrementally (only $BUILD_TARGETS when that is set).
build() {
    local preset="$1"
    (
        cd "$ROOT"
        if [[ -f "$(preset_dir "$preset")/build.ninja" ]]; then
            cmake --preset "$preset" >/dev/null
        else
            cmake --preset "$preset"
        fi
        cmake --build --preset "$preset" --parallel "$JOBS" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
    )
}

# preset_dir PRESET: the build folder of that preset.
preset_dir() {
    case "$1" in
        plain) echo "$ROOT/build" ;;
        sanitize) echo "$ROOT/build-asan" ;;
        *) echo "$ROOT/build-$1" ;;
    esac
}

# install_named PACKAGE...: installs those of the named Debian packages that
# are missing, for a need outside the groups of scripts/packages.
install_named() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0

    echo "Installing: ${missing[*]}"
    local sudo=()
    [[ "$(id -u)" -ne 0 ]] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# ---------------------------------------------------------------- desktops
# Shared by scripts/desktop-session and scripts/try-desktop: helpers started
# in the background, each with its log in $LOGS, and stopped again newest first.

die() { echo "${0##*/}: $*" >&2; exit 1; }

# state_dir NAME: prints this user's private folder NAME (made when missing)
# under $XDG_RUNTIME_DIR, else under ~/.cache; refuses one that is not a real
# folder of this user's, closed to everyone else.
state_dir() {
    local base="${XDG_RUNTIME_DIR:-}" dir
    [[ -n "$base" && -d "$base" && -O "$base" ]] || base="${XDG_CACHE_HOME:-$HOME/.cache}"
    dir="$base/$1"
    mkdir -p "$base" && mkdir -p -m 700 "$dir" || die "cannot make $dir"
    [[ -d "$dir" && ! -L "$dir" && -O "$dir" && "$(stat -c %a "$dir")" == 700 ]] \
        || die "$dir is not a folder of this user's with mode 0700: refusing to use it"
    echo "$dir"
}

# as_user COMMAND...: runs it as the session's user: through AS_USER (for
# example setpriv's call for another user), else as we are.
AS_USER=()
as_user() { "${AS_USER[@]}" "$@"; }

# start NAME COMMAND...: starts it in the background (as_user), its output in
# $LOGS/NAME.log; its PID (the program's own) goes to pids for stop_started.
pids=() names=()
start() {
    local name="$1"; shift
    { exec "${AS_USER[@]}" "$@"; } >"$LOGS/$name.log" 2>&1 &
    pids+=($!) names+=("$name")
}

# wait_for SECONDS COMMAND...: retries COMMAND every 0.1 s; gives up, with
# the log of the helper started last, when that helper has ended or the time
# is up.
wait_for() {
    local tries=$(($1 * 10)) pid="${pids[-1]}" name="${names[-1]}"; shift
    until "$@" >/dev/null 2>&1; do
        if ! running "$pid" || ((--tries == 0)); then
            tail -n 30 "$LOGS/$name.log" >&2
            die "$name did not come up (waited for: $*)"
        fi
        sleep 0.1
    done
}

# Whether the process runs (a zombie counts as ended).
running() { grep -qs '^State:[[:space:]]*[^ZX]' "/proc/$1/status"; }

# Ends what start() started, newest first: SIGTERM, then SIGKILL after 3 s.
stop_started() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || continue
        for _ in {1..30}; do running "${pids[i]}" || break; sleep 0.1; done
        if running "${pids[i]}"; then
            kill -KILL "${pids[i]}" 2>/dev/null && echo "killed ${names[i]} (${pids[i]}) hard" >&2
        fi
        wait "${pids[i]}" 2>/dev/null || true
    done
    pids=() names=()
}

# start_xvfb WxH: Xvfb on a display it picks itself; exports DISPLAY. Without
# -noreset it resets when its last client leaves, xdpyinfo included, and
# refuses the next one meanwhile.
start_xvfb() {
    start xvfb Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$LOGS/display"
    wait_for 30 test -s "$LOGS/display"
    export DISPLAY=":$(head -n1 "$LOGS/display")"
    wait_for 30 xdpyinfo
}

# start_session_bus ADDRESS: a session bus of our own there; exports its
# address. The daemon prints it once it listens.
start_session_bus() {
    start session-bus dbus-daemon --session --nofork --address="$1" --print-address=3 3>"$LOGS/bus-address"
    wait_for 10 test -s "$LOGS/bus-address"
    export DBUS_SESSION_BUS_ADDRESS="$1"
}
