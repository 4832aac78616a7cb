#!/bin/sh
# Sets up, builds and runs the main job: the plug-ins found and accepted.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
sh scripts/build.sh
./build/kmr-plugins
