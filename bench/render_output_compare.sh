#!/bin/sh
# Checks that two builds of qinghechart-cli draw the same pictures: every
# committed data file (tests/data, examples) as bar, pie and line, PNG bytes
# and layout JSON compared file by file. The drawing module is taken from
# beside each CLI (LD_LIBRARY_PATH), so a saved copy of an old build works.
# Usage: bench/render_output_compare.sh CLI_BEFORE CLI_AFTER
set -eu
before=${1:?usage: $0 CLI_BEFORE CLI_AFTER}
after=${2:?usage: $0 CLI_BEFORE CLI_AFTER}
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/committed_data_files.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
draw() {  # CLI OUT_DIR
  mkdir -p "$2"
  data_files "$root" | while read -r f; do
      name=$(file_tag "$root" "$f")
      for kind in bar pie line; do
        LD_LIBRARY_PATH=$(dirname "$1") "$1" render --kind "$kind" \
          --layout "$2/$name.$kind.json" -o "$2/$name.$kind.png" "$f" >/dev/null 2>&1 || true
      done
    done
}
draw "$before" "$work/before"
draw "$after" "$work/after"
printf '%s pictures, %s layouts\n' "$(ls "$work/before" | grep -c '\.png$')" \
  "$(ls "$work/before" | grep -c '\.json$')"
diff -r "$work/before" "$work/after" && echo "identical"
