#!/bin/sh
# The named binaries start with Qt Core alone: none of them may link Qt Gui
# or Qt Widgets, directly or through another library.
bad=0
for binary in "$@"; do
  if ldd "$binary" | grep -E 'libQt6(Gui|Widgets)'; then
    echo "$binary links Qt Gui or Widgets"
    bad=1
  fi
done
[ $bad = 0 ] && echo "Qt Core only: $*"
exit $bad
