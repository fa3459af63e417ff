#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package velmora_<version>_amd64.deb here.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
install_packages
build
cpack --config "$BUILD/CPackConfig.cmake" -B "$BUILD/package"
cp "$BUILD"/package/velmora_*_amd64.deb "$ROOT/"
ls "$ROOT"/velmora_*_amd64.deb
