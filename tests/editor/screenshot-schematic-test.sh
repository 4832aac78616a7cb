#!/bin/sh
# Starts Kmr99 of the build folder $1 on a virtual screen with a schematic of
# several modules, wires and a label (an example project, its label moved
# below the toolbar by the program $3) and keeps the picture as $2 for a
# person to look at. The window's area must hold the many colours of the
# module pictures and wires.
set -e
build=$1
out=$2
maker=$3
for tool in Xvfb xwininfo import convert; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "screenshot-schematic-test: $tool is missing" >&2
    exit 77
  fi
done
example=$build/examples/echo-stereo.kpj
if [ ! -f "$example" ]; then
  echo "screenshot-schematic-test: no $example" >&2
  exit 77
fi
project=$(dirname "$out")/screen-schematic.kpj
"$maker" "$build/kmd" "$example" "$project"
sh "$(dirname "$0")/../../scripts/screenshot-editor.sh" "$build" "$out" "$project"
colours=$(convert "$out" -crop 680x420+182+99 +repage -format %k info:)
echo "colours in the window's area: $colours"
[ "$colours" -ge 20 ]
