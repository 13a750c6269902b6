#!/bin/sh
# Each folder of src/ may include only itself and the floors below it:
#   base, png < data, update < chart < app < ui/services, ui/about, tools < ui/main
# Folders on one floor never include each other: update (HTTP, signatures,
# the update flow) needs only base, like the readers; png (the PNG writer)
# includes nothing of ours, like base. tools/ (the CLI and its drawing
# module) stands beside the window's services: it may use every floor up to
# app, never the window's own folders.
# Inside a folder, its parts never include the folder's front door (the
# header that dispatches to them); only the front door's own source does.
# Prints every include that reaches up or sideways and fails when there is one.
src=${1:?usage: check_includes.sh SRC_DIR [TOOLS_DIR]}
tools=${2:-}
floor() {
  case $1 in
    base | png) echo 1 ;; data | update) echo 2 ;; chart) echo 3 ;; app) echo 4 ;;
    ui/services | ui/about | tools) echo 5 ;; ui/main) echo 6 ;; *) echo 0 ;;
  esac
}
folder_of() {
  case $1 in ui/*) echo "$1" | cut -d/ -f1-2 ;; *) echo "$1" | cut -d/ -f1 ;; esac
}
# Lists "FILE FOLDER" for every source: src/ by its folders, tools/ as one.
sources() {
  (cd "$src" && find . -name '*.h' -o -name '*.cpp') | sed 's#^\./##' | while read -r f; do
    echo "$src/$f src/$f $(folder_of "$f")"
  done
  [ -n "$tools" ] || return 0
  (cd "$tools" && find . -name '*.h' -o -name '*.cpp') | sed 's#^\./##' | while read -r f; do
    echo "$tools/$f tools/$f tools"
  done
}
front_doors="data/source_loader.h chart/render_chart.h"
bad=0
checked=0
list=$(mktemp)
sources >"$list"
while read -r path file from; do
  from_floor=$(floor "$from")
  for inc in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$path"); do
    checked=$((checked + 1))
    to=$(folder_of "$inc")
    if [ "$to" = "$from" ]; then
      for door in $front_doors; do
        if [ "$inc" = "$door" ] && [ "$file" != "src/${door%.h}.cpp" ]; then
          echo "$file includes $inc: a part of $from may not include its front door"
          bad=1
        fi
      done
      continue
    fi
    to_floor=$(floor "$to")
    [ "$to_floor" = 0 ] && continue
    if [ "$to_floor" -ge "$from_floor" ]; then
      echo "$file includes $inc: $from may not include $to"
      bad=1
    fi
  done
done <"$list"
rm -f "$list"
echo "$checked includes checked"
[ $bad = 0 ] && echo "every include follows the floors"
exit $bad
