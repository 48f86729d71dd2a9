#!/usr/bin/env bash
# Installs what is needed, builds, registers into a fresh Wine prefix, and runs the sample host:
# it embeds the map control in a window, shows a generated drive-test dataset with an overview
# frame, and writes what the map shows as a PNG image.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
trap 'WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true' EXIT

install_packages
build_all
fresh_prefix
register_all

OUT="$BUILD/sample"
IMAGE="$OUT/map.png"
mkdir -p "$OUT"
rm -f "$IMAGE"
log "running the sample host"
if WINEPREFIX="$PREFIX" wine "$BUILD/samples/host/VadAZHost.exe" \
       --dataset 3000 --call SetOverviewRegion=49.98,9.98,50.02,10.02 --call OverviewRegionVisible=true \
       --image "$(WINEPREFIX="$PREFIX" winepath -w "$IMAGE")" --exit && [ -s "$IMAGE" ]; then
    echo "SAMPLE RUN SUCCEEDED: the map image is $IMAGE"
else
    echo "SAMPLE RUN FAILED: no map image was written (the lines above say why)"
    exit 1
fi
