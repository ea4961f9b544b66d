#!/bin/bash
# make test-multihost: one board served by two web servers over NFSv4.2
# (steps.sh does the work). Where this kernel has no NFS server, the steps
# run inside a small virtual machine: QEMU (from apt-get), Debian's kernel
# and the NFS tools from the package registry, and an initramfs with
# busybox, those tools, the freshly built program and the test driver. The
# downloads and the unpacked pieces are kept in build-multihost/ for the next
# run.
#
# Usage: run.sh [POSTS POSTERS READERS KILL_PERCENT [MOUNT_OPTIONS]]
# (defaults in steps.sh).
# Runs as root (namespaces, mounts, apt-get).
set -eu
cd "$(dirname "$0")/../.."
ROOT=$PWD
CACHE=$ROOT/build-multihost
HERE=$ROOT/tests/multihost
[ "$(id -u)" = 0 ] || { echo "run.sh needs root (network namespaces, NFS mounts)"; exit 2; }

echo "== building"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target kiroq multihost_driver -j "${JOBS:-2}" | grep -v '^\[\|directory' || true
DRIVER=$ROOT/build/multihost_driver PROGRAM=$ROOT/build/kiroq.exe

has_nfsd() { grep -qw nfsd /proc/filesystems || { command -v modprobe >/dev/null && modprobe nfsd 2>/dev/null; }; }
if has_nfsd; then
  echo "== this kernel serves NFS: running here"
  modprobe -a nfsv4 veth 2>/dev/null || true
  WORK=$(mktemp -d /tmp/kiroq-multihost.XXXXXX)
  status=0
  bash "$HERE/steps.sh" "$DRIVER" "$PROGRAM" "$WORK" "$@" || status=$?
  rm -rf "$WORK"
  exit $status
fi

echo "== no NFS server in this kernel ($(uname -r)): running in a virtual machine"
missing=
command -v qemu-system-x86_64 >/dev/null || missing="$missing qemu-system-x86"
command -v cpio >/dev/null || missing="$missing cpio"
if [ -n "$missing" ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# Debian packages, fetched once and unpacked beside each other.
mkdir -p "$CACHE/debs" "$CACHE/unpacked"
fetch() {
  local pkg
  for pkg in "$@"; do
    if ! ls "$CACHE/debs/${pkg}_"*.deb >/dev/null 2>&1; then
      (cd "$CACHE/debs" && apt-get download "$pkg" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
    fi
    [ -e "$CACHE/unpacked/.$pkg" ] && continue
    dpkg-deb -x "$CACHE/debs/${pkg}_"*.deb "$CACHE/unpacked"
    touch "$CACHE/unpacked/.$pkg"
  done
}
fetch linux-image-amd64
KPKG=$(dpkg-deb -f "$CACHE/debs/linux-image-amd64_"*.deb Depends | grep -o 'linux-image-[0-9][^ ,]*' | head -n 1)
fetch "$KPKG" busybox-static nfs-kernel-server nfs-common libwrap0
KVER=${KPKG#linux-image-}
MODULES=$CACHE/unpacked/lib/modules/$KVER/kernel
VMLINUZ=$CACHE/unpacked/boot/vmlinuz-$KVER

# The initramfs, built afresh each run around the program just built.
INITRD=$CACHE/initrd
rm -rf "$INITRD" && mkdir -p "$INITRD"/{bin,sbin,usr/bin,usr/sbin,etc,proc,sys,dev,run,tmp,srv,lib/modules,multihost}
mkdir -p "$INITRD/var/lib/nfs/v4recovery" && ln -s /run "$INITRD/var/run"
cp "$CACHE/unpacked/bin/busybox" "$INITRD/bin/busybox"

# Every module wanted, after the modules it depends on.
declare -A loaded=()
order=()
add_module() {
  local name=$1 path dep
  [ -n "${loaded[$name]:-}" ] && return
  loaded[$name]=1
  path=$(find "$MODULES" -name "$name.ko" -o -name "${name//_/-}.ko" | head -n 1)
  [ -n "$path" ] || { echo "no module $name in $KPKG"; exit 2; }
  for dep in $(tr '\0' '\n' <"$path" | sed -n 's/^depends=//p' | tr ',' ' '); do add_module "$dep"; done
  cp "$path" "$INITRD/lib/modules/$name.ko"
  order+=("$name")
}
for m in veth nfsd nfsv4; do add_module $m; done
printf '%s\n' "${order[@]}" >"$INITRD/etc/modules.load"

# Programs with the shared libraries they load (the NFS tools' from the
# unpacked packages, everything else from this machine).
LIBPATH=$CACHE/unpacked/lib/x86_64-linux-gnu:$CACHE/unpacked/usr/lib/x86_64-linux-gnu
install_program() {
  local from=$1 to=$2 lib
  cp -L "$from" "$INITRD$to"
  for lib in $(LD_LIBRARY_PATH=$LIBPATH ldd "$from" | grep -o '/[^ ]*'); do
    local at=${lib#"$CACHE/unpacked"}
    [ -e "$INITRD$at" ] && continue
    mkdir -p "$INITRD$(dirname "$at")"
    cp -L "$lib" "$INITRD$at"
  done
  if LD_LIBRARY_PATH=$LIBPATH ldd "$from" | grep -q 'not found'; then
    echo "$from needs libraries that are missing:"
    LD_LIBRARY_PATH=$LIBPATH ldd "$from" | grep 'not found'
    exit 2
  fi
}
for p in bash mount umount nsenter; do install_program "$(command -v $p)" "/usr/bin/$p"; done
install_program "$(command -v ip)" /usr/sbin/ip
install_program "$CACHE/unpacked/sbin/mount.nfs" /sbin/mount.nfs
ln -sf mount.nfs "$INITRD/sbin/mount.nfs4"
ln -sf mount.nfs "$INITRD/sbin/umount.nfs"
for p in rpc.nfsd rpc.mountd exportfs; do install_program "$CACHE/unpacked/usr/sbin/$p" "/usr/sbin/$p"; done
install_program "$PROGRAM" /multihost/kiroq.exe
install_program "$DRIVER" /multihost/multihost_driver
cp "$HERE/steps.sh" "$INITRD/multihost/steps.sh"
cp /etc/netconfig /etc/services "$INITRD/etc/"
printf 'root:x:0:0:root:/:/bin/sh\nnobody:x:65534:65534:nobody:/:/bin/false\n' >"$INITRD/etc/passwd"
printf 'root:x:0:\nnogroup:x:65534:\n' >"$INITRD/etc/group"
printf '127.0.0.1 localhost\n10.77.1.1 server1\n10.77.2.1 server2\n10.77.1.2 web1\n10.77.2.2 web2\n' >"$INITRD/etc/hosts"
printf 'passwd: files\ngroup: files\nhosts: files\n' >"$INITRD/etc/nsswitch.conf"
cat >"$INITRD/init" <<EOF
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
echo multihost-vm-up
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp
mount -t tmpfs -o size=1500m tmpfs /srv
hostname kiroq-vm
ip link set lo up
for m in \$(cat /etc/modules.load); do insmod /lib/modules/\$m.ko || echo "insmod \$m failed"; done
bash /multihost/steps.sh /multihost/multihost_driver /multihost/kiroq.exe /srv/work $*
echo "multihost-status=\$?"
poweroff -f
EOF
chmod +x "$INITRD/init"
(cd "$INITRD" && find . | cpio -o -H newc --quiet | gzip -1 >"$CACHE/initrd.cpio.gz")

# KVM where it works; a nested one that never reaches the init within a
# minute is given up for software emulation.
run_vm() {
  local accel=$1 boot_limit=$2 pid
  rm -f "$CACHE/vm.log" && : >"$CACHE/vm.log"  # a new file: an old tail may still follow the last one
  qemu-system-x86_64 $accel -m 2560 -smp 2 -nographic -no-reboot \
    -kernel "$VMLINUZ" -initrd "$CACHE/initrd.cpio.gz" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1" </dev/null >"$CACHE/vm.log" 2>&1 &
  pid=$!
  tail -n +1 -f --pid=$pid "$CACHE/vm.log" | tr -d '\r' | grep -v 'SeaBIOS\|iPXE\|Booting from\|^$' &
  local start=$SECONDS
  while kill -0 $pid 2>/dev/null; do
    if [ $((SECONDS - start)) -gt 3600 ] ||
      { [ $((SECONDS - start)) -gt "$boot_limit" ] && ! grep -q 'multihost-vm-up' "$CACHE/vm.log"; }; then
      kill $pid
      wait $pid 2>/dev/null
      return 1
    fi
    sleep 1
  done
  wait $pid 2>/dev/null
  sleep 1
}
if [ -r /dev/kvm ] && [ -w /dev/kvm ] && [ ! -e "$CACHE/kvm-does-not-boot" ]; then
  echo "== booting $KPKG with KVM"
  if ! run_vm "-accel kvm -cpu host,-arch-capabilities" 60; then
    echo "== KVM did not boot it here (remembered in $CACHE/kvm-does-not-boot); again with software emulation"
    touch "$CACHE/kvm-does-not-boot"
    run_vm "-accel tcg" 600
  fi
else
  echo "== booting $KPKG with software emulation ($([ -e "$CACHE/kvm-does-not-boot" ] && echo "KVM did not boot it before" || echo "no usable /dev/kvm"))"
  run_vm "-accel tcg" 600
fi
status=$(tr -d '\r' <"$CACHE/vm.log" | sed -n 's/^multihost-status=//p' | tail -n 1)
echo "== the virtual machine ended with status ${status:-none}"
[ "$status" = 0 ]
