#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root as dpkg would install it, checks that
# the desktop finds what it looks for, and starts the installed launcher with a scratch HOME:
# first on no practice folder at all, then on the one it prepared, changed by the practice.
#   installed_package.sh BUILD_DIR WORK_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 work=$2 source=$3 version=$4

for tool in cpack dpkg-deb dpkg-shlibdeps file lintian desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is missing; the package is built and checked with Debian's tools (scripts/common.sh installs them)"
    exit 77
  fi
done

fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work"

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$work/package/velmora_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb"
lintian --fail-on error "$deb" 2>/dev/null || fail "lintian reports errors"

fields=$(dpkg-deb -f "$deb" Maintainer Description Depends Recommends)
for wanted in "Maintainer: Torvane" "Description: records of a paediatric practice" \
              "libqt6widgets6" "libsqlcipher0" "qt6-qpa-plugins" "fonts-dejavu-core" "gnome-calculator |"; do
  grep -qF "$wanted" <<<"$fields" || fail "control fields lack '$wanted': $fields"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
usr=$root/usr
for program in velmora velmora-db velmora-start velmora-server-setup; do
  [ -x "$usr/bin/$program" ] || fail "bin/$program not installed as a program"
done
for f in "$source"/resources/reports/*.RAV "$source"/resources/pictures/*.jpg; do
  kind=$(basename "$(dirname "$f")")
  cmp -s "$f" "$usr/share/velmora/$kind/$(basename "$f")" || fail "share/velmora/$kind/$(basename "$f") missing or different"
done

desktop=$usr/share/applications/example.torvane.velmora.desktop
desktop-file-validate "$desktop" >"$work/desktop.log" || { cat "$work/desktop.log"; fail "desktop entry"; }
if grep -v ': hint: ' "$work/desktop.log"; then fail "desktop entry warnings"; fi
grep -qx "Exec=velmora-start" "$desktop" || fail "the desktop entry does not start the launcher"
grep -qx "Icon=velmora" "$desktop" || fail "the desktop entry names another icon"
appstreamcli validate --no-net "$usr/share/metainfo/example.torvane.velmora.metainfo.xml" >"$work/appstream.log" ||
  { cat "$work/appstream.log"; fail "metainfo"; }
grep -q "SVG" <<<"$(file "$usr/share/icons/hicolor/scalable/apps/velmora.svg")" || fail "scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  file "$usr/share/icons/hicolor/${size}x${size}/apps/velmora.png" | grep -q "PNG image data, $size x $size," ||
    fail "icon ${size}x${size}"
done

# Starts the installed launcher and waits until it has handed over to the program, which is the
# moment the folder must be ready; the program then waits at its first message and is ended.
home=$work/home
practice=$home/Velmora
mkdir -p "$home"
start() {
  env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" QT_QPA_PLATFORM=offscreen "$usr/bin/velmora-start" >>"$work/run.log" 2>&1 &
  local pid=$! program
  program=$(readlink -f "$usr/bin/velmora")
  for _ in $(seq 600); do
    [ "$(readlink -f "/proc/$pid/exe" 2>/dev/null)" = "$program" ] && break
    kill -0 "$pid" 2>/dev/null || { cat "$work/run.log"; fail "velmora-start ended before starting the program"; }
    sleep 0.1
  done
  [ "$(readlink -f "/proc/$pid/exe" 2>/dev/null)" = "$program" ] || { kill "$pid"; fail "the program was not started"; }
  [ "$(readlink -f "/proc/$pid/cwd")" = "$(readlink -f "$practice")" ] || fail "the program does not run in $practice"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}
check_folder() {
  [ "$(stat -c %a "$practice")" = 700 ] || fail "practice folder mode $(stat -c %a "$practice")"
  [ -s "$practice/data.mdb" ] || fail "no data.mdb"
  [ "$(stat -c %a "$practice/data.key")" = 600 ] || fail "no private data.key beside data.mdb"
  for f in "$usr"/share/velmora/reports/*.RAV "$usr"/share/velmora/pictures/*.jpg; do
    [ -f "$practice/$(basename "$f")" ] || fail "$(basename "$f") not copied"
  done
}

start
check_folder
cmp -s "$practice/LIST.RAV" "$usr/share/velmora/reports/LIST.RAV" || fail "LIST.RAV copied wrongly"

# The practice's own receipt layout and data stay; a picture it lost comes back.
echo "<!-- the practice's own -->" >>"$practice/APODEIKSEIS.RAV"
kept=$(md5sum "$practice/APODEIKSEIS.RAV" "$practice/data.mdb" "$practice/data.key")
rm "$practice/splash.jpg"
start
check_folder
[ "$(md5sum "$practice/APODEIKSEIS.RAV" "$practice/data.mdb" "$practice/data.key")" = "$kept" ] || fail "the practice's files were replaced"
echo "package $deb installs and prepares $practice"
