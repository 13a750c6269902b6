#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine and checks the
# installed program: the CLI on the sample, and the window keeping a line
# colour in the per-user settings file across a restart.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QH_BUILD_DIR:-build}
scripts/install-deps.sh dpkg-dev desktop-file-utils xvfb xdotool x11-utils

desktop-file-validate packaging/qinghechart.desktop
(cd "$build_dir" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build_dir"/qinghechart_*_*.deb | head -n 1)
echo "== installing $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall --no-install-recommends "$deb" >/dev/null

sample=/usr/share/qinghechart/examples/sales.html
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
echo "== installed qinghechart-cli"
/usr/bin/qinghechart-cli check --json "$sample" | head -c 200; echo
/usr/bin/qinghechart-cli render --kind pie -o "$work/pie.png" "$sample"
test -s "$work/pie.png"
[ ! -e "/usr/bin/青禾图表生成工具.ini" ] || { echo "the CLI wrote a settings file"; exit 1; }

echo "== installed window keeps the line colour per user"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
ini="$XDG_CONFIG_HOME/qinghechart/青禾图表生成工具.ini"
display=:93
# -noreset: by default the server resets when its last client leaves, and a
# window started during the reset finds no display.
Xvfb "$display" -screen 0 1280x800x24 -noreset >/dev/null 2>&1 &
wait_display() {
  for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && return; sleep 0.2; done
}
wait_display
export DISPLAY=$display

window_id() {
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name '^青禾图表生成工具$' 2>/dev/null | head -n 1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
  return 1
}

/usr/bin/qinghechart "$sample" & app=$!
id=$(window_id)
sleep 2
xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
xdotool key --window "$id" F4
sleep 1
# The line page's context menu: copy, save, then the colour submenu; the
# fourth colour is 绿色.
eval "$(xdotool getwindowgeometry --shell "$id")"
xdotool mousemove --window "$id" $((WIDTH / 2 + 60)) $((HEIGHT / 2)) click 3
sleep 0.7
xdotool key Down Down Down Right
sleep 0.5
xdotool key Down Down Down Return
sleep 0.7
grep -a "LineColor=#27AE60" "$ini"
xdotool windowactivate --sync "$id" 2>/dev/null || true; xdotool key Escape
wait "$app"

wait_display
/usr/bin/qinghechart "$sample" & app=$!
id=$(window_id)
sleep 1
xdotool windowactivate --sync "$id" 2>/dev/null || true; xdotool key Escape
wait "$app"
grep -a "LineColor=#27AE60" "$ini"
test -f "$XDG_CONFIG_HOME/qinghechart/qzChart.log"
echo "installed package: OK"
