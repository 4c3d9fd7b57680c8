#!/bin/sh
# The README's batch recipes, run exactly as a reader copies them (each line of its `sh` blocks),
# with `rotagraph` on the PATH, in a folder holding designs/ and nothing else: each must succeed
# and leave one PNG in pictures/ for every design.
# Usage: readme_recipes.sh README.md ROTAGRAPH_BINARY GALLERY_FOLDER
set -eu
readme=$1
binary=$2
gallery=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
ln -s "$binary" "$work/bin/rotagraph"
awk '/^```sh$/ { inside = 1; next } /^```$/ { inside = 0 } inside' "$readme" > "$work/recipes"
if [ "$(grep -c 'rotagraph --export' "$work/recipes")" -lt 2 ]; then
    echo "The README's batch recipes are not in its sh blocks." >&2
    exit 1
fi
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
number=0
while IFS= read -r recipe; do
    number=$((number + 1))
    run="$work/run$number"
    mkdir -p "$run/designs"
    cp "$gallery/Daisy.rotagraph" "$gallery/Lotus.rotagraph" "$run/designs/"
    if ! (cd "$run" && PATH="$work/bin:$PATH" sh -c "$recipe"); then
        echo "Failed: $recipe" >&2
        exit 1
    fi
    for design in Daisy Lotus; do
        # Eight bytes that only a PNG starts with.
        if [ "$(head -c 8 "$run/pictures/$design.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
            echo "$recipe: no PNG pictures/$design.png; the folder holds: $(ls -A "$run/pictures" 2>&1)" >&2
            exit 1
        fi
    done
    if [ "$(ls -A "$run/pictures" | wc -l)" -ne 2 ]; then
        echo "$recipe: pictures/ holds $(ls -A "$run/pictures")" >&2
        exit 1
    fi
done < "$work/recipes"
