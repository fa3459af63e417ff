# Shared by run.sh, test.sh and package.sh: install what is missing, then configure and build.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

PACKAGES=(
  build-essential cmake pkg-config clang-format git
  qt6-base-dev qt6-qpa-plugins libqt6sql6 libgl-dev
  libsqlcipher-dev libsodium-dev libbenchmark-dev
  fonts-dejavu-core poppler-utils
  cups printer-driver-cups-pdf
  dpkg-dev file librsvg2-bin lintian desktop-file-utils appstream
  galculator
  postgresql-15 libpq-dev
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

build() {
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD" -j "$(nproc)"
}
