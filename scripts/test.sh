#!/usr/bin/env bash
# Runs every test of the project on both targets: the Linux build with AddressSanitizer and
# UndefinedBehaviorSanitizer, the concurrency tests under ThreadSanitizer, the Windows build
# under Wine, and a bounded fuzzing run. Installs what it needs on a Debian 12 machine.
set -euo pipefail
cd "$(dirname "$0")/.."
# Every build trusts the same test CA, so that one set of test servers serves them all.
ca="-DTESSARIX_TEST_CA_DIR=$PWD/build/test-ca"

step() { printf '\n==== %s\n' "$*" >&2; }
jobs=$(nproc)

step "Packages"
bash scripts/install-deps.sh

step "Linux: build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake "$ca" -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARIX_WERROR=ON \
    -DTESSARIX_SANITIZE=address,undefined
cmake --build build/linux
ctest --test-dir build/linux --output-on-failure -j "$jobs"

step "Linux: the concurrency tests under ThreadSanitizer"
cmake "$ca" -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSARIX_WERROR=ON \
    -DTESSARIX_SANITIZE=thread
cmake --build build/tsan --target concurrency_tests launcher_tests
ctest --test-dir build/tsan -L 'concurrency|launcher' --output-on-failure

step "Windows: dependencies (cached outside the tree), build, and test under Wine"
prefix=$(bash scripts/build-windows-deps.sh | tail -n1)
cmake "$ca" -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTESSARIX_WERROR=ON -DTESSARIX_MINGW_DEPS="$prefix"
cmake --build build/windows
cmake/wine-run.sh wineboot.exe --init # a new Wine prefix is made once, not by tests racing
ctest --test-dir build/windows --output-on-failure -j "$jobs"

if [ -f scripts/fuzz.sh ]; then
    step "Fuzzing, bounded"
    bash scripts/fuzz.sh "${TESSARIX_FUZZ_SECONDS:-60}"
fi

step "All tests passed"
