#!/bin/sh
# Sets up, builds and runs every test.
set -e
cd "$(dirname "$0")/.."
sh scripts/setup.sh
sh scripts/build.sh
cd build
ctest --output-on-failure -j"$(nproc)"
