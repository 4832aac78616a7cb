#!/bin/sh
# Sets up, builds and runs the main job: the first example project rendered
# without a display into build/render/, then, where a display exists, the
# editor with that project.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
sh scripts/build.sh
./build/kmr-render --out build/render build/examples/tone-filter.kpj
echo "The wave file is build/render/Taperec00.wav (listen with: play build/render/Taperec00.wav)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/Kmr99 ]; then
  exec ./build/Kmr99 "$(pwd)/build/examples/tone-filter.kpj"
fi
