# Shared by scripts/run and scripts/test: the Debian packages the project
# needs, installed only when missing, and the build itself.

VANTORA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

VANTORA_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  qt6-wayland
  libxkbcommon-dev xkb-data
  libsqlite3-dev libhidapi-dev libudev-dev libpulse-dev
  libxtst-dev libx11-dev libxi-dev
  libgtest-dev libgmock-dev libbenchmark-dev librapidcheck-dev
  xvfb xauth
  pulseaudio pulseaudio-utils
  dbus libglib2.0-bin
  libwayland-dev libwayland-bin openbox xdotool
)

# Only the checks under a compositor need these (tests/desktop/*.sh install
# them when they run): sway and foot for the wlroots source, node and gjs for
# the syntax of the KWin script and the GNOME Shell extension.
VANTORA_DESKTOP_PACKAGES=(
  sway foot nodejs gjs
)

# Only the benchmarks need these (FFTW: the reference the analyser's FFT is
# measured against); scripts/bench installs them beside the ones above.
VANTORA_BENCH_PACKAGES=(
  libfftw3-dev
)

# Only the checks of tests/desktop need these (the npm clients of the OpenRGB
# SDK server, and sqlite3 to look into the database); they install them.
VANTORA_DESKTOP_PACKAGES=(
  nodejs npm sqlite3
)

vantora_install_packages() {
  local missing=()
  local pkg
  for pkg in "${VANTORA_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# vantora_build <build-dir> [cmake options...]
vantora_build() {
  local dir="$1"
  shift
  cmake -S "$VANTORA_ROOT" -B "$dir" -G Ninja "$@"
  cmake --build "$dir" --parallel "$(nproc)"
}
