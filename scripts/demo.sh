#!/usr/bin/env bash
# The launcher's main job, end to end on this machine: builds both targets, publishes a
# demo deployment on a local HTTPS server, and lets the Linux launcher and the Windows
# launcher (under Wine) install it into fresh profile folders and start Java, twice.
# Installs what it needs on a Debian 12 machine.
set -euo pipefail
cd "$(dirname "$0")/.."
# Every build trusts the same test CA, so that one set of test servers serves them all.
ca="-DTESSARIX_TEST_CA_DIR=$PWD/build/test-ca"

bash scripts/install-deps.sh

echo "== Building the Linux target" >&2
cmake "$ca" -S . -B build/demo-linux -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/demo-linux --target tessarix tessarix-test java-stub

echo "== Building the Windows target" >&2
prefix=$(bash scripts/build-windows-deps.sh | tail -n1)
cmake "$ca" -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTESSARIX_MINGW_DEPS="$prefix" >/dev/null
cmake --build build/windows --target tessarix tessarix-test java-stub

file build/demo-linux/src/tessarix build/windows/src/tessarix.exe
python3 scripts/demo.py --linux-build build/demo-linux --windows-build build/windows
