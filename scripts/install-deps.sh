#!/usr/bin/env bash
# Installs, on a Debian 12 machine, every package the build, the tests and the demo need.
# Does nothing (and needs no network) when they are all there already.
set -euo pipefail

packages=(
    # native build and tests
    build-essential cmake ninja-build pkg-config clang-format
    libgtest-dev libbenchmark-dev
    # fuzzing (libFuzzer with the sanitizers) and the benchmark's reference parser
    clang libclang-rt-14-dev libexpat1-dev
    # the Windows target and running it
    mingw-w64 wine64 libz-mingw-w64-dev
    # libraries the launcher calls
    libcurl4-openssl-dev libzip-dev libstb-dev libx11-dev
    # test fixtures and tools
    python3 openssl curl nginx zip unzip xvfb xdotool
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
