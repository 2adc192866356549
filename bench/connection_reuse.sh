#!/usr/bin/env bash
# Runs the connection-sharing benchmark inside the fault-injecting test server, which delays
# every response and logs every TLS handshake. Usage: bench/connection_reuse.sh BUILD_DIR [LAUNCHES] [DELAY_MS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: connection_reuse.sh BUILD_DIR [LAUNCHES] [DELAY_MS]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs"
python3 "$here/../tests/fixtures/https_fixture.py" --ca-dir "$(cmake -L -N "$build" | sed -n 's/^TESSARIX_TEST_CA_DIR:PATH=//p')" \
    --fault-root "$work/docs" --fault-log "$work/fault.log" -- \
    "$build/bench/connection_reuse" "${2:-20}" "${3:-50}"
