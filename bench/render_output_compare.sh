#!/bin/sh
# Checks that two builds of qinghechart-cli draw the same pictures: every
# committed data file (tests/data, examples) as bar, pie and line, PNG bytes
# and layout JSON compared file by file; pictures whose bytes differ are
# compared pixel by pixel (ImageMagick's compare), so a change of encoder
# shows apart from a change of drawing. The drawing module is taken from
# beside each CLI (LD_LIBRARY_PATH), so a saved copy of an old build works.
# Usage: bench/render_output_compare.sh CLI_BEFORE CLI_AFTER [WxH]
set -eu
before=${1:?usage: $0 CLI_BEFORE CLI_AFTER}
after=${2:?usage: $0 CLI_BEFORE CLI_AFTER [WxH]}
size=${3:-1200x700}
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/committed_data_files.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
draw() {  # CLI OUT_DIR
  mkdir -p "$2"
  data_files "$root" | while read -r f; do
      name=$(file_tag "$root" "$f")
      for kind in bar pie line; do
        LD_LIBRARY_PATH=$(dirname "$1") "$1" render --kind "$kind" --size "$size" \
          --layout "$2/$name.$kind.json" -o "$2/$name.$kind.png" "$f" >/dev/null 2>&1 || true
      done
    done
}
draw "$before" "$work/before"
draw "$after" "$work/after"
layouts=0 same_bytes=0 same_pixels=0 differ=0
for b in "$work"/before/*; do
  a="$work/after/${b##*/}"
  case "$b" in
    *.json) layouts=$((layouts + 1))
            cmp -s "$b" "$a" || { echo "layout differs: ${b##*/}"; differ=$((differ + 1)); } ;;
    *.png) if cmp -s "$b" "$a"; then same_bytes=$((same_bytes + 1))
           elif [ "$(compare -metric AE "$b" "$a" null: 2>&1)" = 0 ]; then same_pixels=$((same_pixels + 1))
           else echo "picture differs: ${b##*/}"; differ=$((differ + 1)); fi ;;
  esac
done
echo "$size: $layouts layouts; $((same_bytes + same_pixels)) pictures, $same_bytes with the same bytes, $same_pixels with the same pixels only"
[ "$differ" -eq 0 ] && echo "identical pictures and layouts"
