#!/usr/bin/env bash
# Compares every tile that raster_test wrote with its region of the source picture, with
# ImageMagick's compare, from the lists the test wrote: "<tile> <source> <x> <y> <w> <h> <fuzz %>"
# (paths relative to the list's folder). A tile passes when no pixel differs by more than the fuzz.
set -u
root=$1
command -v compare >/dev/null || { echo "FAIL: compare (imagemagick) is not installed"; exit 1; }
status=0
lists=$(find "$root" -name expected.txt 2>/dev/null)
[ -n "$lists" ] || { echo "FAIL: no list of tiles under $root"; exit 1; }
for list in $lists; do
    folder=$(dirname "$list")
    count=0
    while read -r tile source x y w h fuzz; do
        [ -n "$tile" ] || continue
        size=$(identify -format '%w %h' "$folder/$tile" 2>&1)
        if [ "$size" != "$w $h" ]; then
            echo "FAIL: $tile is '$size', expected $w $h"
            status=1
            continue
        fi
        differing=$(compare -metric AE -fuzz "${fuzz}%" "$folder/$tile" "$folder/$source[${w}x${h}+${x}+${y}]" null: 2>&1)
        if [ "$differing" != "0" ]; then
            echo "FAIL: $tile differs from $source at +$x+$y in $differing pixels"
            status=1
        fi
        count=$((count + 1))
    done <"$list"
    echo "checked $count tiles of $folder"
done
exit $status
