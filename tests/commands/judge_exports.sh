#!/usr/bin/env bash
# Reads every picture that commands_test exported with ImageMagick's identify and compares its
# format and pixel size with the list the test wrote: "<file> <format> <width> <height|*>".
set -u
folder=$1
list=$folder/expected.txt
[ -s "$list" ] || { echo "FAIL: no list of exported files in $folder"; exit 1; }
command -v identify >/dev/null || { echo "FAIL: identify (imagemagick) is not installed"; exit 1; }
status=0
while read -r file format width height; do
    height=${height%$'\r'}
    [ -n "$file" ] || continue
    got=$(identify -format '%m %w %h\n' "$folder/$file[0]" 2>&1 | head -1)
    read -r gotFormat gotWidth gotHeight <<<"$got"
    case "$gotFormat" in BMP3|BMP2) gotFormat=BMP ;; esac
    if [ "$gotFormat" != "$format" ] || [ "$gotWidth" != "$width" ] || { [ "$height" != "*" ] && [ "$gotHeight" != "$height" ]; }; then
        echo "FAIL: $file is '$got', expected $format $width x $height"
        status=1
    else
        echo "ok: $file $got"
    fi
done <"$list"
exit $status
