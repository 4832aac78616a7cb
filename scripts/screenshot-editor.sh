#!/bin/sh
# Starts Kmr99 of a build folder (with every plug-in of its kmd/ folder) on a
# virtual screen and saves a picture of the screen, for a person to look at.
#
#   sh scripts/screenshot-editor.sh [BUILD_DIR] [OUT.png] [ARGUMENTS...]
#
# BUILD_DIR defaults to build/, OUT.png to BUILD_DIR/Kmr99-screen.png; further
# arguments go to Kmr99. The program runs with settings of its own in a
# temporary folder, so the user's settings are neither read nor changed, and
# the tip of the day is switched off so the main window is seen. The window
# is made wide enough to show every module button of the toolbar.
set -e
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
out=${2:-$build/Kmr99-screen.png}
[ $# -gt 2 ] && shift 2 || set --
program=$build/Kmr99
if [ ! -x "$program" ]; then
  echo "screenshot-editor: no Kmr99 in $build" >&2
  exit 1
fi

home=$(mktemp -d)
xvfb=""
kmr=""
cleanup() {
  status=$?
  set +e
  [ -n "$kmr" ] && kill "$kmr" 2>/dev/null && wait "$kmr" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$home"
  exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$home/config/KMR" "$home/data" "$home/runtime"
chmod 700 "$home/runtime"
printf '[Window]\nWidth=680\n\n[Setup]\nTip=-1\n' >"$home/config/KMR/Config.ini"

# Xvfb picks a free display and tells its number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$home/display" 2>"$home/xvfb.log" &
xvfb=$!
i=0
while [ ! -s "$home/display" ]; do
  i=$((i + 1))
  if [ $i -gt 100 ]; then
    echo "screenshot-editor: Xvfb did not start" >&2
    cat "$home/xvfb.log" >&2
    exit 1
  fi
  sleep 0.1
done
DISPLAY=:$(cat "$home/display")
export DISPLAY

XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=xcb "$program" "$@" &
kmr=$!

# Wait until the main window is on the screen, then let it paint.
i=0
until xwininfo -root -tree 2>/dev/null | grep -q '"Kelmora 4.0"'; do
  i=$((i + 1))
  if [ $i -gt 150 ] || ! kill -0 "$kmr" 2>/dev/null; then
    echo "screenshot-editor: the main window did not appear" >&2
    exit 1
  fi
  sleep 0.1
done
sleep 1
import -window root "$out"
echo "$out"
