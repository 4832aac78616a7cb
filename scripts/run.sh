#!/bin/sh
# Sets up, builds and runs the main job: the first example project rendered
# without a display into build/render/.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
sh scripts/build.sh
./build/kmr-render --out build/render build/examples/tone-filter.kpj
echo "The wave file is build/render/Taperec00.wav (listen with: play build/render/Taperec00.wav)"
