#!/bin/sh
# Checks that two builds of qinghechart-cli read every committed data file
# alike: "check --json" and "render --layout" of each file under tests/data
# and examples/, written to one folder per build and compared with diff -r.
# Usage: bench/data_output_compare.sh CLI_BEFORE CLI_AFTER
set -eu
before=${1:?usage: $0 CLI_BEFORE CLI_AFTER}
after=${2:?usage: $0 CLI_BEFORE CLI_AFTER}
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/committed_data_files.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() {  # CLI OUT_DIR
  mkdir -p "$2"
  data_files "$root" | while read -r f; do
      name=$(file_tag "$root" "$f")
      "$1" check --json "$f" > "$2/$name.check.json" 2>&1 || true
      "$1" render --layout "$2/$name.layout.json" -o "$work/picture.png" "$f" > "$2/$name.render.txt" 2>&1 || true
    done
}
run "$before" "$work/before"
run "$after" "$work/after"
printf '%s files, %s outputs each\n' "$(ls "$work/before" | grep -c '\.check\.json$')" "$(ls "$work/before" | wc -l)"
diff -r "$work/before" "$work/after" && echo "identical"
