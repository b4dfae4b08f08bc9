#!/usr/bin/env bash
# The whole USB path in a small virtual machine: Debian's kernel boots from
# an initramfs of busybox, the kernel's USB modules, our keyboard model behind
# a USB HID gadget (vantora-kbd-gadget on dummy_hcd) and vantora-usb-check,
# which drives it through hidraw, hidapi, our HidapiBackend, the device
# manager and the worker, as with a real keyboard. Before it, the virtual
# keyboard (uinput) types texts into a Wayland client under headless sway,
# with a US and a French layout, and a key typed on the gadget keyboard into
# that client is recorded from its event node.
#
#   bash tests/vm/run.sh [BUILD_DIR]     (default: build)
#
# Prints one line per check and exits non-zero on any failure, also when the
# machine cannot run qemu. The kernel package is kept in BUILD_DIR/vm-cache.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
cache="$build/vm-cache"
work="$build/vm-work"
bin="$build/bin"
started=$SECONDS

fail() {
  echo "FAIL vm: $*"
  exit 1
}

# ---- Tools -----------------------------------------------------------------
apt_install() {
  if [ "$(id -u)" -ne 0 ]; then
    fail "missing packages ($*); install them or run as root"
  fi
  echo "vm: installing $*"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
source "$root/scripts/common.sh"
missing=()
for pkg in "${VANTORA_VM_PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt_install "${missing[@]}"
fi
command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 is not available: this machine cannot run the test"

for program in vantora-kbd-gadget vantora-usb-check vantora-type-text; do
  [ -x "$bin/$program" ] || cmake --build "$build" --target "$program" >/dev/null
done
for test in uinput_keyboard_test evdev_keys_test; do
  [ -x "$build/tests/$test" ] || cmake --build "$build" --target "$test" >/dev/null
done

# ---- Kernel ----------------------------------------------------------------
mkdir -p "$cache"
kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null | grep -o 'linux-image-[0-9][^ ]*-amd64' | head -1
}
package="$(kernel_package || true)"
if [ -z "$package" ] && ! ls "$cache"/linux-image-*.deb >/dev/null 2>&1; then
  [ "$(id -u)" -eq 0 ] && apt-get update -qq
  package="$(kernel_package || true)"
fi
deb="$(ls "$cache/${package:-linux-image-}"*_amd64.deb 2>/dev/null | sort -V | tail -1 || true)"
if [ -z "$deb" ]; then
  [ -n "$package" ] || fail "apt offers no linux-image-*-amd64 package"
  (cd "$cache" && apt-get download "$package" >/dev/null 2>&1) || fail "cannot download $package"
  deb="$(ls "$cache/${package}"_*_amd64.deb | tail -1)"
fi
kernel_dir="$cache/$(basename "$deb" .deb)"
if [ ! -d "$kernel_dir" ]; then
  dpkg -x "$deb" "$kernel_dir.part" && mv "$kernel_dir.part" "$kernel_dir"
fi
vmlinuz="$(ls "$kernel_dir"/boot/vmlinuz-* | head -1)"
modules="$(ls -d "$kernel_dir"/lib/modules/* | head -1)"

# ---- Initramfs ---------------------------------------------------------------
rm -rf "$work"
rootfs="$work/root"
mkdir -p "$rootfs"/{bin,dev,etc,proc,sys,tmp,run,modules,program}
cp /bin/busybox "$rootfs/bin/busybox"
file_is_static() { ! ldd "$1" >/dev/null 2>&1; }
file_is_static "$rootfs/bin/busybox" || fail "/bin/busybox is not the static busybox (busybox-static)"

module_list=(configfs usb-common usbcore roles udc-core dummy_hcd libcomposite usb_f_hid hid hid-generic usbhid)
for module in "${module_list[@]}"; do
  found="$(find "$modules" -name "$module.ko*" | head -1)"
  [ -n "$found" ] || fail "kernel module $module not found in $(basename "$deb")"
  case "$found" in
    *.ko) cp "$found" "$rootfs/modules/$module.ko" ;;
    *.ko.xz) xz -dc "$found" >"$rootfs/modules/$module.ko" ;;
    *.ko.zst) zstd -qdc "$found" >"$rootfs/modules/$module.ko" ;;
    *) fail "unknown module format: $found" ;;
  esac
done
# The virtual keyboard's test: uinput and the event nodes (modules where the
# kernel does not have them built in).
for module in uinput evdev; do
  found="$(find "$modules" -name "$module.ko*" | head -1)"
  case "$found" in
    "") ;;
    *.ko) cp "$found" "$rootfs/modules/$module.ko" ;;
    *.ko.xz) xz -dc "$found" >"$rootfs/modules/$module.ko" ;;
    *.ko.zst) zstd -qdc "$found" >"$rootfs/modules/$module.ko" ;;
  esac
done

for program in "$bin/vantora-kbd-gadget" "$bin/vantora-usb-check" "$build/tests/uinput_keyboard_test" \
  "$build/tests/evdev_keys_test" "$bin/vantora-type-text" /usr/bin/sway /usr/bin/swaymsg /usr/bin/wev \
  /lib/systemd/systemd-udevd /bin/udevadm; do
  cp -L "$program" "$rootfs/bin/"
  # The shared libraries it needs, at their own paths, with the loader.
  ldd "$program" | grep -o '/[^ ]*' | while read -r library; do
    mkdir -p "$rootfs$(dirname "$library")"
    cp -L "$library" "$rootfs$library"
  done
done
# The keyboard layouts for the typist and the compositor, udev's rule that
# marks input devices as keyboards and the like, and libinput's device data.
mkdir -p "$rootfs/usr/share/X11" "$rootfs/lib/udev/rules.d"
cp -r /usr/share/X11/xkb "$rootfs/usr/share/X11/"
cp /lib/udev/rules.d/60-input-id.rules "$rootfs/lib/udev/rules.d/"
cp -r /usr/share/libinput "$rootfs/usr/share/"
# sway refuses root: it runs as a user of the input group, which the
# event nodes are given to.
echo "wayland:x:1000:100::/tmp:/bin/sh" >"$rootfs/etc/passwd"
echo "input:x:100:wayland" >"$rootfs/etc/group"
echo 'SUBSYSTEM=="input", KERNEL=="event*", GROUP="input", MODE="0660"' >"$rootfs/lib/udev/rules.d/50-input-group.rules"
# The opt-in access rules with their switches, where the package puts them.
mkdir -p "$rootfs/usr/share/vantora" "$rootfs/etc/udev/rules.d"
cp -r "$root/packaging/udev" "$rootfs/usr/share/vantora/"
cp "$root/data/config.ini" "$rootfs/program/"
cp -r "$root/data/layouts" "$rootfs/program/"

cat >"$rootfs/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
mkdir /dev/shm && mount -t tmpfs tmpfs /dev/shm
end() {
  echo "VM-RESULT $1"
  sync
  poweroff -f
}
for module in configfs usb-common usbcore roles udc-core dummy_hcd libcomposite usb_f_hid hid hid-generic usbhid; do
  insmod /modules/$module.ko 2>/tmp/insmod || { echo "FAIL vm: module $module: $(cat /tmp/insmod)"; end 1; }
done
mount -t configfs none /sys/kernel/config

for module in uinput evdev; do
  [ -e /modules/$module.ko ] && insmod /modules/$module.ko
done
uinput_keyboard_test --gtest_brief=1 >/tmp/uinput.log 2>&1 || { cat /tmp/uinput.log; echo "FAIL vm: the virtual keyboard"; end 1; }
grep -q "SKIPPED" /tmp/uinput.log && { cat /tmp/uinput.log; echo "FAIL vm: the virtual keyboard's test skipped"; end 1; }
echo "ok vm: the virtual keyboard's strokes come out as key events"

# The keyboard's USB interfaces: 0 a boot keyboard, 1 the vendor collection
# for event reports (report id 2, 32 bytes), 2 the command interface
# (64-byte reports without a report id).
g=/sys/kernel/config/usb_gadget/vantora
mkdir $g
echo 0x1209 >$g/idVendor
echo 0x0001 >$g/idProduct
echo 0x0102 >$g/bcdDevice
mkdir $g/strings/0x409
echo VANTORA >$g/strings/0x409/manufacturer
echo "VANTORA Keyboard" >$g/strings/0x409/product
echo 0001 >$g/strings/0x409/serialnumber
mkdir $g/configs/c.1
add_function() {
  mkdir $g/functions/hid.$1
  echo $2 >$g/functions/hid.$1/subclass
  echo $3 >$g/functions/hid.$1/protocol
  echo $4 >$g/functions/hid.$1/report_length
  printf "$5" >$g/functions/hid.$1/report_desc
  ln -s $g/functions/hid.$1 $g/configs/c.1/
}
add_function 0 1 1 8 '\x05\x01\x09\x06\xa1\x01\x05\x07\x19\xe0\x29\xe7\x15\x00\x25\x01\x75\x01\x95\x08\x81\x02\x95\x01\x75\x08\x81\x03\x95\x05\x75\x01\x05\x08\x19\x01\x29\x05\x91\x02\x95\x01\x75\x03\x91\x03\x95\x06\x75\x08\x15\x00\x25\x65\x05\x07\x19\x00\x29\x65\x81\x00\xc0'
add_function 1 0 0 32 '\x06\x00\xff\x09\x00\xa1\x01\x85\x02\x15\x00\x26\xff\x00\x75\x08\x95\x1f\x09\x01\x81\x02\xc0'
add_function 2 0 0 64 '\x06\x1c\xff\x09\x92\xa1\x01\x15\x00\x26\xff\x00\x75\x08\x95\x40\x09\x01\x81\x02\x95\x40\x09\x02\x91\x02\xc0'
echo dummy_udc.0 >$g/UDC || { echo "FAIL vm: the gadget cannot be bound"; end 1; }
for i in $(seq 100); do
  [ -e /dev/hidraw2 ] && [ -e /dev/hidg2 ] && break
  sleep 0.1
done
[ -e /dev/hidraw2 ] || { echo "FAIL vm: no /dev/hidraw2 on the host side"; end 1; }
echo "ok vm: gadget bound, $(ls /dev/hidraw* | tr '\n' ' ')"

# Recording from the keyboard's own event node: the gadget's boot keyboard
# (interface 0) presses and releases A while the reader reads.
export EVDEV_TEST_VID=1209 EVDEV_TEST_PID=0001
export EVDEV_TEST_PRESS='printf "\000\000\004\000\000\000\000\000" >/dev/hidg0 && printf "\000\000\000\000\000\000\000\000" >/dev/hidg0'
evdev_keys_test --gtest_brief=1 --gtest_filter='*ARealKeyboard*' >/tmp/evdev.log 2>&1 ||
  { cat /tmp/evdev.log; echo "FAIL vm: the keyboard's own key events"; end 1; }
grep -q "SKIPPED" /tmp/evdev.log && { cat /tmp/evdev.log; echo "FAIL vm: the evdev test skipped"; end 1; }
echo "ok vm: a key pressed on the gadget keyboard is read from its event node"

# Texts typed through the virtual keyboard reach a Wayland client: udev
# announces the new keyboard, headless sway takes it in through libinput, and
# wev, the client in front, prints the characters it receives.
systemd-udevd --daemon 2>/tmp/udevd.log || { cat /tmp/udevd.log; echo "FAIL vm: the udev daemon"; end 1; }
udevadm trigger --action=add --subsystem-match=input
udevadm settle
mkdir -m 0700 /tmp/wayland && chown wayland /tmp/wayland
printf 'xwayland disable\ndefault_border pixel\nexec wev -f wl_keyboard:key >/tmp/wayland/wev.log\n' >/tmp/wayland/config
# sway with wev in front, as the user of the input group; sway_stop closes
# wev's window (it writes out the last of what it got then) and sets `got`
# to the characters wev received.
sway_start() {
  XKB_DEFAULT_LAYOUT=$1 XDG_RUNTIME_DIR=/tmp/wayland WLR_BACKENDS=headless,libinput WLR_RENDERER=pixman \
    LIBSEAT_BACKEND=builtin SEATD_VTBOUND=0 su -p wayland -c "exec sway -c /tmp/wayland/config" \
    >/tmp/wayland/sway.log 2>&1 &
  sway=$!
  # wev's window, once sway shows it, has the keyboard's focus.
  for i in $(seq 100); do
    kill -0 $sway 2>/dev/null || break
    swaymsg -s /tmp/wayland/sway-ipc.*.sock -t get_tree 2>/dev/null | grep -q '"app_id": "wev"' && break
    sleep 0.2
  done
}
sway_stop() {
  swaymsg -s /tmp/wayland/sway-ipc.*.sock kill >/dev/null 2>&1
  for i in $(seq 50); do
    pidof wev >/dev/null || break
    sleep 0.1
  done
  kill $sway 2>/dev/null
  wait $sway
  rm -f /tmp/wayland/sway-ipc.*.sock
  got="$(grep -A1 'state: 1 (pressed)' /tmp/wayland/wev.log | sed -n "s/.*utf8: '\(.*\)'$/\1/p" | tr -d '\n')"
  rm -f /tmp/wayland/wev.log
}
type_into_client() {
  sway_start "$1"
  # A new keyboard takes this slow machine's compositor about a second.
  XKB_DEFAULT_LAYOUT=$1 vantora-type-text --settle 3000 "$2" >/tmp/typed.log 2>&1
  sway_stop
  if [ "$got" != "$2" ]; then
    cat /tmp/typed.log /tmp/wayland/sway.log | tail -n 20 | sed 's/^/  log: /'
    echo "FAIL vm: $1 typed \"$2\", the Wayland client got \"$got\""
    end 1
  fi
  echo "ok vm: $1 typed \"$2\" into a Wayland client under sway"
}
type_into_client us 'Hello, z@1!'
type_into_client fr 'zé@a'

# A recording while another program's window has the focus: A pressed on
# the gadget keyboard reaches wev under sway, and the recorder reads it from
# the keyboard's event node all the same.
sway_start us
evdev_keys_test --gtest_brief=1 --gtest_filter='*ARealKeyboard*' >/tmp/evdev.log 2>&1
recorded=$?
sway_stop
if [ $recorded -ne 0 ] || [ "$got" != "a" ]; then
  cat /tmp/evdev.log /tmp/wayland/sway.log | tail -n 20 | sed 's/^/  log: /'
  echo "FAIL vm: a key typed into a Wayland client under sway (the client got \"$got\", the recorder's test $recorded)"
  end 1
fi
echo "ok vm: a key typed into a Wayland client under sway is recorded from the keyboard's event node"

# The access switches as a user runs them: udev tags /dev/uinput, and the
# event nodes of the keyboard with the given ids and no others, for the
# user at the seat, and takes the tags back when switched off (access that
# a session was given stays until the node is made again, as the switches
# say).
# (CURRENT_TAGS: udev keeps a tag once given in TAGS.)
tagged() { udevadm info -q property -n "$1" 2>/dev/null | grep -q '^CURRENT_TAGS=.*:uaccess:'; }
ours=""
others=""
for node in /dev/input/event*; do
  if udevadm info -a -n "$node" | grep -q 'ATTRS{idVendor}=="1209"'; then ours="$ours $node"; else others="$others $node"; fi
done
access=/usr/share/vantora/udev
state() { if tagged "$1"; then echo on; else echo off; fi; }
check_tags() {  # WHAT, then the expected state of uinput and of the keyboard's nodes
  udevadm settle
  [ "$(state /dev/uinput)" = $2 ] || { echo "FAIL vm: $1: /dev/uinput should be $2"; end 1; }
  for node in $ours; do
    [ "$(state $node)" = $3 ] || { echo "FAIL vm: $1: the keyboard's $node should be $3"; end 1; }
  done
  for node in $others; do
    [ "$(state $node)" = off ] || { echo "FAIL vm: $1: $node of another device was given to the user"; end 1; }
  done
}
[ -n "$ours" ] || { echo "FAIL vm: no event node of the gadget keyboard"; end 1; }
check_tags "before" off off
$access/uinput-access enable >/dev/null && $access/keyboard-access enable 0x1209 0001 >/dev/null ||
  { echo "FAIL vm: the access switches"; end 1; }
$access/uinput-access status | grep -q '^on' && $access/keyboard-access status | grep -q '^on for 1209:0001' ||
  { echo "FAIL vm: the access switches' status"; end 1; }
check_tags "switched on" on on
$access/uinput-access disable >/dev/null && $access/keyboard-access disable >/dev/null
check_tags "switched off" off off
echo "ok vm: the access switches give /dev/uinput and this keyboard's event nodes ($(echo $ours)) to the seat's user, and take them back"

mkfifo /tmp/control
vantora-kbd-gadget --command /dev/hidg2 --events /dev/hidg1 --log /tmp/gadget.log --state /tmp/gadget.json \
  --control /tmp/control &
vantora-usb-check --program /program/ --work /tmp/work --gadget-log /tmp/gadget.log --gadget-state /tmp/gadget.json \
  --control /tmp/control --udc-file $g/UDC --udc dummy_udc.0
end $?
EOF
chmod +x "$rootfs/init"
(cd "$rootfs" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.gz"
echo "vm: initramfs ready ($(du -h "$work/initrd.gz" | cut -f1)) after $((SECONDS - started)) s"

# ---- Boot ------------------------------------------------------------------
log="$work/console.log"
set +e
timeout 270 qemu-system-x86_64 -accel tcg -m 1024 -smp 2 -display none -serial stdio -monitor none -no-reboot \
  -kernel "$vmlinuz" -initrd "$work/initrd.gz" -append "console=ttyS0 quiet loglevel=3 panic=-1" \
  </dev/null >"$log" 2>&1
qemu_status=$?
set -e
tr -d '\r' <"$log" | grep -E '^(ok|FAIL|all checks|checks failed|  report|  log)' || true
result="$(tr -d '\r' <"$log" | sed -n 's/^VM-RESULT \([0-9]*\).*/\1/p' | tail -1)"
if [ -z "$result" ]; then
  echo "--- console (last lines) ---"
  tail -n 30 "$log"
  if [ $qemu_status -eq 124 ]; then
    fail "the virtual machine did not finish in time"
  fi
  if [ $qemu_status -ne 0 ]; then
    fail "qemu ended with status $qemu_status: this machine cannot run the test"
  fi
  fail "the virtual machine ended without a result"
fi
echo "vm: finished in $((SECONDS - started)) s"
[ "$result" = 0 ] || fail "checks failed in the virtual machine"
echo "ok vm: every check passed"
