#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian (every tag fails, the
# pedantic and informational ones too; overrides only in
# packaging/debian/lintian-overrides, each with its reason),
# validates the desktop and AppStream files, installs the package on this
# machine and checks the installed programs: the CLI on the sample, its manual
# page, its version against the package's, and the window keeping a line
# colour in the per-user settings file across a restart.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QH_BUILD_DIR:-build}
scripts/install-deps.sh dpkg-dev desktop-file-utils xvfb xdotool x11-utils \
  lintian appstream man-db

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

desktop-file-validate packaging/qinghechart.desktop
appstreamcli validate --no-net packaging/cn.qinghesoft.qinghechart.metainfo.xml
# Every build has its own version: pack only this one.
rm -f "$build_dir"/qinghechart_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$build_dir"/qinghechart_*_*.deb)
echo "== lintian $(basename "$deb")"
lintian --pedantic --display-info --fail-on error,warning,info,pedantic --info "$deb"
# The programs in /usr/bin find their libraries and module without a run path.
dpkg-deb -x "$deb" "$work/deb"
for program in qinghechart qinghechart-cli; do
  if readelf -d "$work/deb/usr/bin/$program" | grep -E 'RUNPATH|RPATH'; then
    echo "$program carries a run path"; exit 1
  fi
done
# The manual pages format without a warning in any locale, even plain C.
for page in qinghechart qinghechart-cli; do
  warnings=$(LC_ALL=C man --warnings -l "$work/deb/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "troff warnings in $page.1:"; echo "$warnings"; exit 1; }
done

echo "== installing $deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall --no-install-recommends "$deb" >/dev/null

appstreamcli validate --no-net /usr/share/metainfo/cn.qinghesoft.qinghechart.metainfo.xml

echo "== manual pages"
# Minimal Debian images tell dpkg not to install manual pages at all
# (path-exclude in /etc/dpkg/dpkg.cfg.d/). There the installed page cannot be
# read, so the page is read from the package instead, and the log says so.
excludes=$(cat /etc/dpkg/dpkg.cfg.d/* 2>/dev/null || true)
if grep -q '^path-exclude.*/usr/share/man' <<<"$excludes"; then
  echo "dpkg excludes /usr/share/man on this machine: reading the pages from the package with man -l"
  for page in qinghechart qinghechart-cli; do
    text=$(man -P cat -l "$work/deb/usr/share/man/man1/$page.1.gz")
    grep -q "^NAME" <<<"$text"
  done
else
  for page in qinghechart qinghechart-cli; do
    text=$(man -P cat "$page")
    grep -A1 "^NAME" <<<"$text"
  done
fi

echo "== installed qinghechart-cli"
# The programs' build number (yy.mm.dd.hh, China time) and the package's
# version (project version + UTC minute) come from the same build stamp.
pkg_version=$(dpkg-query -W -f='${Version}' qinghechart)
release=${pkg_version%%+*}
stamp=${pkg_version#*+}; stamp=${stamp%-*}
expected=$(TZ=Etc/GMT-8 date -d "@$(date -u -d "${stamp:0:8} ${stamp:8:2}:${stamp:10:2}" +%s)" +%y.%m.%d.%H)
cli_version=$(/usr/bin/qinghechart-cli --version)
echo "package $pkg_version, programs $cli_version"
[ "$cli_version" = "qinghechart-cli $release (build $expected)" ] ||
  { echo "the CLI's version differs from the package's"; exit 1; }
[ "$(/usr/bin/qinghechart --version)" = "$expected" ] || { echo "the window's version differs"; exit 1; }
# The documented output shapes are installed.
for schema in qinghechart-check-1 qinghechart-layout-1 qinghechart-render-1; do
  test -s "/usr/share/qinghechart/schemas/$schema.schema.json"
done
sample=/usr/share/doc/qinghechart/examples/sales.html
# Minimal images may leave /usr/share/doc out too.
[ -f "$sample" ] || sample=$PWD/examples/sales.html
/usr/bin/qinghechart-cli check --json "$sample" | head -c 200; echo
env -u XDG_RUNTIME_DIR /usr/bin/qinghechart-cli render --kind pie -o "$work/pie.png" "$sample" \
  2>"$work/render.err"
test -s "$work/pie.png"
# As root without XDG_RUNTIME_DIR, Qt would warn here; the tool keeps it quiet.
[ ! -s "$work/render.err" ] || { echo "render wrote to standard error:"; cat "$work/render.err"; exit 1; }
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
# The line page's context menu: copy, save, print, then the colour submenu; the
# fourth colour is 绿色.
eval "$(xdotool getwindowgeometry --shell "$id")"
xdotool mousemove --window "$id" $((WIDTH / 2 + 60)) $((HEIGHT / 2)) click 3
sleep 0.7
xdotool key Down Down Down Down Right
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
