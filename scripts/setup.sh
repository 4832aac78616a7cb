#!/bin/sh
# Installs every system package the project needs to build, test and run.
# Quick when everything is already there.
set -e
packages="
  build-essential cmake git pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6printsupport6
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth sox binutils locales
  qt6-qpa-plugins imagemagick x11-utils
  clang libclang-rt-14-dev
"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends $missing
fi

# A locale with a decimal comma, so tests can show that numbers in files and
# grids do not follow the user's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || true
fi
