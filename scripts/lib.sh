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
