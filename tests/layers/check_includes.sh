#!/bin/sh
# Each folder of src/ may include only itself and the floors below it:
#   base < data < chart < app < update < ui/services, ui/about < ui/main
# Inside a folder, its parts never include the folder's front door (the
# header that dispatches to them); only the front door's own source does.
# Prints every include that reaches up or sideways and fails when there is one.
src=${1:?usage: check_includes.sh SRC_DIR}
floor() {
  case $1 in
    base) echo 1 ;; data) echo 2 ;; chart) echo 3 ;; app) echo 4 ;; update) echo 5 ;;
    ui/services | ui/about) echo 6 ;; ui/main) echo 7 ;; *) echo 0 ;;
  esac
}
folder_of() {
  case $1 in ui/*) echo "$1" | cut -d/ -f1-2 ;; *) echo "$1" | cut -d/ -f1 ;; esac
}
front_doors="data/source_loader.h chart/render_chart.h"
bad=0
checked=0
for file in $(cd "$src" && find . -name '*.h' -o -name '*.cpp' | sed 's#^\./##'); do
  from=$(folder_of "$file")
  from_floor=$(floor "$from")
  for inc in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$src/$file"); do
    checked=$((checked + 1))
    to=$(folder_of "$inc")
    if [ "$to" = "$from" ]; then
      for door in $front_doors; do
        if [ "$inc" = "$door" ] && [ "$file" != "${door%.h}.cpp" ]; then
          echo "src/$file includes $inc: a part of $from may not include its front door"
          bad=1
        fi
      done
      continue
    fi
    to_floor=$(floor "$to")
    [ "$to_floor" = 0 ] && continue
    if [ "$to_floor" -ge "$from_floor" ]; then
      echo "src/$file includes $inc: $from may not include $to"
      bad=1
    fi
  done
done
echo "$checked includes checked"
[ $bad = 0 ] && echo "every include follows the floors"
exit $bad
