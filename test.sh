#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test offscreen.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
install_packages
build
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure
