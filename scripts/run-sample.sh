#!/usr/bin/env bash
# Installs what is needed, builds, registers into a fresh Wine prefix, and runs the sample host:
# it embeds the map control in a window, shows a generated drive-test dataset with an overview
# frame, and writes what the map shows as a PNG image. With --imagery the map's background
# imagery comes from a tile server on 127.0.0.1 (tests/imagery/tile_server.py, on a free port,
# stopped at the end) in token mode, fetched as the image is drawn.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
IMAGERY=0
[ "${1:-}" = "--imagery" ] && IMAGERY=1

install_packages
choose_flavour
trap 'WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true' EXIT
build_all
fresh_prefix
register_all

OUT="$BUILD/sample"
IMAGE="$OUT/map.png"
mkdir -p "$OUT"
rm -f "$IMAGE"
log "running the sample host"
HOST=(wine "$BUILD/samples/host/VadAZHost.exe" --dataset 3000 --call SetOverviewRegion=49.98,9.98,50.02,10.02
      --call OverviewRegionVisible=true --image "$(WINEPREFIX="$PREFIX" winepath -w "$IMAGE")" --exit)
if [ "$IMAGERY" = 1 ]; then
    # The tile server runs the host with its address in VADAZ_TILE_SERVER.
    KEY='HKCU\Software\Zemro\Terravex'
    RUN=(python3 "$ROOT/tests/imagery/tile_server.py" -- bash -c '
        wine reg add "$0" /v CredentialMode /d Token /f >/dev/null &&
        wine reg add "$0" /v AsyncBackgroundMapEnabled /t REG_DWORD /d 0 /f >/dev/null &&
        wine reg add "$0" /v BackgroundMapTileServer /d "$VADAZ_TILE_SERVER/r%d/tiles/" /f >/dev/null &&
        exec "${@}"' "$KEY" "${HOST[@]}")
else
    RUN=("${HOST[@]}")
fi
if WINEPREFIX="$PREFIX" "${RUN[@]}" && [ -s "$IMAGE" ]; then
    echo "SAMPLE RUN SUCCEEDED: the map image is $IMAGE"
else
    echo "SAMPLE RUN FAILED: no map image was written (the lines above say why)"
    exit 1
fi
