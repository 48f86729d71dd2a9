#!/usr/bin/env bash
# Installs what is needed, builds, registers into a fresh Wine prefix and runs the sample client.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
trap 'WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true' EXIT

install_packages
build_all
fresh_prefix
register_all
log "running the smoke client"
if WINEPREFIX="$PREFIX" wine cscript //nologo "$ROOT/samples/smoke.js"; then
    echo "SAMPLE RUN SUCCEEDED"
else
    echo "SAMPLE RUN FAILED"
    exit 1
fi
