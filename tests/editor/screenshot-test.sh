#!/bin/sh
# Starts Kmr99 of the build folder $1 on a virtual screen and checks that its
# window is there with its pictures: the screen where the window stands holds
# the many colours of the toolbar's pictures, not the black of an empty
# screen. The picture is kept as $2 for a person to look at.
set -e
build=$1
out=$2
for tool in Xvfb xwininfo import; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "screenshot-test: $tool is missing" >&2
    exit 77
  fi
done
sh "$(dirname "$0")/../../scripts/screenshot-editor.sh" "$build" "$out"
colours=$(convert "$out" -crop 680x381+182+99 +repage -format %k info:)
echo "colours in the window's area: $colours"
[ "$colours" -ge 20 ]
