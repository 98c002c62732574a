#!/usr/bin/env bash
# Installs, when missing, every Debian package the build, the tests, the
# screenshots and the fuzzing need. Safe to run again; works as root without
# sudo and uses sudo otherwise.
set -euo pipefail

packages=(
    cmake ninja-build g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev clang-format-14
    xvfb xauth imagemagick poppler-utils fonts-dejavu-core
)
if [ "${1:-}" = "--windows" ]; then
    # The Windows cross-build (GoogleTest from its sources) and its run under
    # Wine; g++ and python3 build and drive the Linux side (the simulator, the
    # echoing pseudo-terminal).
    packages=(cmake ninja-build make g++ googletest g++-mingw-w64-x86-64-posix wine64 wine python3)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
