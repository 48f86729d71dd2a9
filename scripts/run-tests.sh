#!/usr/bin/env bash
# Builds everything and runs every test under Wine in a fresh prefix.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
trap 'WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true' EXIT

install_packages
build_all
fresh_prefix
register_all
# Keep one server alive so that each test program starts fast (one may already be running).
WINEPREFIX="$PREFIX" wineserver -p 2>/dev/null || true
log "running the tests"
if (cd "$BUILD" && ctest --output-on-failure -j "$JOBS"); then
    echo "ALL TESTS PASSED"
else
    echo "TESTS FAILED"
    exit 1
fi
