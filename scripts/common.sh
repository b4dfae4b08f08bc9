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

# Only the checks of tests/desktop need these (they install them when they
# run): sway and foot for the wlroots source, gjs for the GNOME Shell
# extension's syntax, sqlite3 to look into the database, and for the window
# under sway jq (sway's tree), grim (pictures), wtype (keys, and a keyboard
# for a headless sway) and wev (another program's window). Node and npm come
# from vantora_install_node.
VANTORA_DESKTOP_PACKAGES=(
  sway foot gjs sqlite3 jq grim wtype wev
)

# Only tests/vm/run.sh needs these (it installs them when missing): qemu
# and busybox for the virtual machine, and what its typing check puts into
# it: sway (with swaymsg), the client wev and the udev daemon.
VANTORA_VM_PACKAGES=(
  qemu-system-x86 busybox-static cpio sway wev udev
)

# Only the benchmarks need these (FFTW: the reference the analyser's FFT is
# measured against); scripts/bench installs them beside the ones above.
VANTORA_BENCH_PACKAGES=(
  libfftw3-dev
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

# Node and npm (the KWin script's syntax, the OpenRGB SDK's npm clients):
# Debian's, unless a Node with its own npm is there already (NodeSource's
# "nodejs" brings npm, and Debian's npm conflicts with it).
vantora_install_node() {
  if command -v node >/dev/null && command -v npm >/dev/null; then
    return 0
  fi
  vantora_install_packages nodejs npm
}

# vantora_build <build-dir> [cmake options...]
vantora_build() {
  local dir="$1"
  shift
  cmake -S "$VANTORA_ROOT" -B "$dir" -G Ninja "$@"
  cmake --build "$dir" --parallel "$(nproc)"
}
