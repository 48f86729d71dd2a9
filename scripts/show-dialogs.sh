#!/usr/bin/env bash
# Opens each dialog of the control under a virtual X display with Wine's X11 driver and saves a
# picture of each as <build folder>/dialogs/<resource>-<name>.png (build/ for the 32-bit flavour,
# build64/ for the 64-bit one), so that anyone can look at them.
# Not part of the tests.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
DISPLAY_NUMBER=${VADAZ_DISPLAY:-:97}
trap '[ -z "${PREFIX:-}" ] || WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true; [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true' EXIT

PACKAGES+=(xvfb xauth)
install_packages
choose_flavour
SHOTS="$BUILD/dialogs"
PREFIX="$SHOTS/wineprefix"
build_all

log "making a Wine prefix with the X11 driver in $PREFIX"
WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null || true
rm -rf "$PREFIX"
mkdir -p "$SHOTS"
rm -f "$SHOTS"/*.bmp "$SHOTS"/*.png
Xvfb "$DISPLAY_NUMBER" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
sleep 1
export DISPLAY="$DISPLAY_NUMBER"
WINEPREFIX="$PREFIX" wineboot -i >/dev/null 2>&1
WINEPREFIX="$PREFIX" wineserver -w
register_all

log "opening the dialogs"
WINEPREFIX="$PREFIX" VADAZ_DIALOG_SHOTS="$(WINEPREFIX="$PREFIX" winepath -w "$SHOTS")" \
    wine "$BUILD/tests/dialogs/show_dialogs.exe" || true
for bmp in "$SHOTS"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
if ls "$SHOTS"/*.png >/dev/null 2>&1; then
    echo "DIALOG PICTURES WRITTEN: $(ls "$SHOTS"/*.png | tr '\n' ' ')"
else
    echo "NO DIALOG PICTURES were written (the lines above say why)"
    exit 1
fi
