#!/bin/bash
# Fails, naming the file and the include, when a source includes a header of
# a folder its layer may not use. The layers, bottom up: platform; grib/
# (env, vfs, tdf, palette, bitmap, raster, draw, image; display and input
# over platform); model/ and script/; app/ (the core, no window system);
# app/window/, kit/ and tools/ on top. tests/ and bench/ may include anything
# but another folder's private headers (disk.h, *internal.h).
#
#   check_layers.sh [SOURCE_DIR]     check the tree
#   check_layers.sh --self-test      check that planted bad includes fail
set -u

GRIB_CORE="grib/env grib/vfs grib/tdf grib/palette grib/bitmap grib/raster grib/draw grib/image"

# The folders whose headers a folder may include besides its own.
allowed() {
    case $1 in
        platform | platform/*) echo "platform" ;;
        grib/env) echo "" ;;
        grib/vfs | grib/bitmap) echo "grib/env" ;;
        grib/tdf | grib/palette) echo "grib/vfs grib/env" ;;
        grib/raster) echo "grib/bitmap grib/env" ;;
        grib/draw) echo "grib/raster grib/bitmap grib/env" ;;
        grib/image) echo "grib/draw grib/raster grib/bitmap grib/vfs grib/env" ;;
        grib/display) echo "grib/bitmap grib/vfs grib/env platform" ;;
        grib/input) echo "grib/draw grib/raster grib/bitmap grib/env platform" ;;
        script) echo "grib/vfs grib/env" ;;
        model) echo "grib/image grib/draw grib/raster grib/bitmap grib/vfs grib/env" ;;
        app) echo "$GRIB_CORE model script" ;;
        app/window) echo "app resources $GRIB_CORE grib/display grib/input model script platform" ;;
        resources) echo "platform" ;;
        kit/archive | kit/sound) echo "grib/vfs grib/env" ;;
        kit/script) echo "script grib/vfs grib/env" ;;
        kit/image) echo "$GRIB_CORE" ;;
        kit/model | kit/export) echo "model $GRIB_CORE" ;;
        kit/game) echo "kit/archive kit/script kit/image kit/model kit/sound script model $GRIB_CORE" ;;
        tools/grib) echo "app kit/archive kit/script kit/image kit/model kit/sound kit/game kit/export model script $GRIB_CORE" ;;
        tests | tests/* | bench | bench/*) echo "*" ;;
        *) echo "?" ;;
    esac
}

# The folder that owns a private header, or nothing for a public one.
private_owner() {
    case $1 in
        grib/vfs/disk.h | */internal.h | *_internal.h) echo "${1%/*}" ;;
        *) echo "" ;;
    esac
}

# check_tree DIR: prints each offending include; status 1 when there is one.
check_tree() {
    local status=0 file line header folder target list owner
    while IFS= read -r line; do
        file=${line%%:*}
        header=${line#*\"}
        header=${header%%\"*}
        folder=${file%/*}
        [[ $header == */* ]] || header="$folder/$header"
        target=${header%/*}
        owner=$(private_owner "$header")
        if [[ -n $owner && $folder != "$owner" && $folder != "$owner"/* ]]; then
            echo "$file includes $header, private to $owner/"
            status=1
            continue
        fi
        [[ $target == "$folder" ]] && continue
        list=$(allowed "$folder")
        if [[ $list == "?" ]]; then
            echo "$file: folder $folder has no layer in tools/check_layers.sh"
            status=1
            continue
        fi
        [[ $list == "*" || " $list " == *" $target "* ]] && continue
        echo "$file includes $header: $folder/ may not use $target/"
        status=1
    done < <(cd "$1" && grep -rHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
        --include='*.cpp' --include='*.h' --include='*.inc' --include='*.c' \
        app grib model script platform kit tools resources tests bench 2>/dev/null | sort)
    return $status
}

self_test() {
    local failed=0 out
    dir=$(mktemp -d) || exit 2
    trap 'rm -rf "$dir"' EXIT
    mkdir -p "$dir/app" "$dir/grib/tdf" "$dir/grib/vfs" "$dir/tests/app"
    printf '#include "grib/vfs/vfs.h"\n#include "model/piece.h"\n' >"$dir/app/good.cpp"
    printf '#include "grib/vfs/vfs.h"\n#include "app/frame.h"\n' >"$dir/tests/app/good_test.cpp"
    check_tree "$dir" >/dev/null || { echo "self-test: a good tree failed"; failed=1; }
    local -a bad=(
        'app/frame.cpp|platform/window.h'
        'app/sound.cpp|grib/display/window.h'
        'grib/tdf/tdf.cpp|model/piece.h'
        'grib/tdf/tdf.cpp|grib/vfs/disk.h'
        'tests/app/sound_test.cpp|grib/vfs/disk.h'
    )
    local case file header
    for case in "${bad[@]}"; do
        file=${case%%|*}
        header=${case#*|}
        printf '#include "%s"\n' "$header" >"$dir/$file"
        out=$(check_tree "$dir")
        if [[ $out != *"$file includes $header"* ]]; then
            echo "self-test: $file including $header passed"
            failed=1
        fi
        rm -f "$dir/$file"
    done
    [[ $failed == 0 ]] && echo "self-test passed"
    return $failed
}

if [[ ${1:-} == --self-test ]]; then
    self_test
    exit
fi
root=${1:-$(dirname "$0")/..}
if check_tree "$root"; then
    echo "layers: every include is allowed"
else
    exit 1
fi
