#!/usr/bin/env bash
# Installs what is missing, builds, prepares a practice folder and starts the program from it.
#   ./run.sh [FOLDER]     (default: ~/Velmora)
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
install_packages
build

PRACTICE=${1:-$HOME/Velmora}
(umask 077 && mkdir -p "$PRACTICE") # health data: the folder is the owner's alone
PRACTICE=$(cd "$PRACTICE" && pwd)
if [ ! -f "$PRACTICE/data.mdb" ]; then
  "$BUILD/src/tools/velmora-db" create "$PRACTICE"
fi
# Report files and pictures the practice has changed are left as they are.
for f in "$ROOT"/resources/reports/*.RAV "$ROOT"/resources/pictures/*.jpg; do
  [ -e "$f" ] && cp -n "$f" "$PRACTICE/"
done

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "There is no display to show the program on."
  echo "The practice folder is ready: $PRACTICE"
  echo "Start it on a desktop, or on a virtual screen (apt-get install xvfb) with:"
  echo "  cd '$PRACTICE' && xvfb-run -s '-screen 0 1920x1080x24' '$BUILD/src/app/velmora'"
  exit 1
fi
cd "$PRACTICE"
exec "$BUILD/src/app/velmora"
