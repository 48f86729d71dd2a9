#!/usr/bin/env bash
# Builds everything and runs every test under Wine in a fresh prefix.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages
choose_flavour
trap 'WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true' EXIT
build_all
fresh_prefix
keep_server
register_all
log "running the tests"
# VADAZ_TEST_FILTER narrows the run to tests whose names match (ctest -R).
if (cd "$BUILD" && ctest --output-on-failure -j "$JOBS" ${VADAZ_TEST_FILTER:+-R "$VADAZ_TEST_FILTER"}); then
    echo "ALL TESTS PASSED"
else
    echo "TESTS FAILED"
    exit 1
fi
