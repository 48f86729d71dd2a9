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
# VADAZ_TEST_FILTER narrows the run to tests whose names match (ctest -R).
if (cd "$BUILD" && ctest --output-on-failure -j "$JOBS" ${VADAZ_TEST_FILTER:+-R "$VADAZ_TEST_FILTER"}); then
    echo "ALL TESTS PASSED"
else
    echo "TESTS FAILED"
    exit 1
fi
