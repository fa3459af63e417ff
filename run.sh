#!/usr/bin/env bash
# Installs what is missing, builds, prepares a practice folder and starts the program from it.
#   ./run.sh [FOLDER]     (default: ~/Velmora)
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
install_packages
build

# The installed launcher's steps, pointed at this build instead of bin/ and share/velmora/.
VELMORA="$BUILD/src/app/velmora" VELMORA_DB="$BUILD/src/tools/velmora-db" VELMORA_RESOURCES="$ROOT/resources" \
  exec "$ROOT/packaging/velmora-start" "$@"
