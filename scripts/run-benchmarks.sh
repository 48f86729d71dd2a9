#!/usr/bin/env bash
# Builds everything and runs the benchmark programs in a fresh Wine prefix; they print figures.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages
choose_flavour
trap 'WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true' EXIT
build_all
fresh_prefix
register_all
log "data layers: frames, hit tests and memory against reading every row (min and median of repeated runs)"
if WINEPREFIX="$PREFIX" wine "$BUILD/benchmarks/datalayer_benchmark.exe" "$@" &&
   log "TAB export: writing 100k and 1M point rows through the MITAB library" &&
   WINEPREFIX="$PREFIX" wine "$BUILD/benchmarks/mitab_benchmark.exe" &&
   log "layer export: a point layer to TAB and KML against reading every row" &&
   WINEPREFIX="$PREFIX" wine "$BUILD/benchmarks/export_benchmark.exe" &&
   log "lines to cells: frames with serving and neighbour lines against reading every row" &&
   WINEPREFIX="$PREFIX" wine "$BUILD/benchmarks/lines_benchmark.exe" &&
   log "host counts: circles, markers and direction arrows, each beside a count ten times smaller" &&
   WINEPREFIX="$PREFIX" wine "$BUILD/benchmarks/counts_benchmark.exe" &&
   log "imagery: tile requests per tile of a shown map's first frame and of a pan, and the release of a map whose tile is held, beside the local tile server" &&
   WINEPREFIX="$PREFIX" python3 "$ROOT/tests/imagery/tile_server.py" -- wine "$BUILD/benchmarks/imagery_benchmark.exe" &&
   log "workspaces: geosets and workspaces of 1 000 and 10 000 tables against the engine opening them" &&
   WINEPREFIX="$PREFIX" wine "$BUILD/benchmarks/workspace_benchmark.exe"; then
    echo "BENCHMARKS DONE"
else
    echo "BENCHMARKS FAILED"
    exit 1
fi
