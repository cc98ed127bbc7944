#!/usr/bin/env bash
# Makes build/trixie: a Debian 13 root with Debian 13's Wine 10, whose 64-bit
# loader runs 32-bit exes in its WoW64 mode on a kernel that allows 32-bit
# code (Debian 12's Wine 8 cannot give those a window). scripts/wine10 runs
# Wine from it. The root is kept between runs; .ready, written last, holds
# the Wine version, and a root without it is made again.
#   scripts/trixie-root.sh          make it if missing or incomplete
#   scripts/trixie-root.sh --force  make it again
set -euo pipefail
PROJECT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
TRIXIE=$PROJECT/build/trixie
READY=$TRIXIE/.ready
# Written after debootstrap: the base is kept when a later step fails.
BASE=$TRIXIE/.base
# Wine and what the tests run from inside it: xdotool for real pointer
# input, chattr (e2fsprogs) to lock a folder. And qemu 10's static user
# emulators, for kernels that run no 32-bit code: unlike Debian 12's qemu
# 7.2, its qemu-i386 runs multi-threaded 32-bit Wine, and starts a 32-bit
# program in seconds instead of minutes.
PACKAGES=(wine64 libwine fonts-wine fonts-liberation tzdata xdotool e2fsprogs qemu-user)
I386_DIR=usr/lib/x86_64-linux-gnu/wine/i386-windows

say() { printf '== %s\n' "$*"; }
die() { printf 'trixie-root: %s\n' "$*" >&2; exit 1; }

[ "$(id -u)" = 0 ] || die "needs root (debootstrap and chroot)"

if [ "${1:-}" = --force ]; then
  rm -f "$READY" "$BASE"
elif [ -n "${1:-}" ]; then
  die "unknown argument $1 (only --force)"
fi

# A root made for another list of packages is brought up to this one.
if [ -f "$READY" ] && grep -qxF "packages: ${PACKAGES[*]}" "$READY"; then
  say "Debian 13 root ready in build/trixie: $(head -n 1 "$READY")"
  exit 0
fi

# The main archive's mirror from the host's own apt sources: the first URI
# of a stanza that is not the security archive.
host_mirror() {
  local f=/etc/apt/sources.list.d/debian.sources
  if [ -f "$f" ]; then
    awk 'BEGIN { RS = ""; FS = "\n" }
      { uri = ""; suites = ""
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^URIs:/) { split($i, w, /[ \t]+/); uri = w[2] }
          if ($i ~ /^Suites:/) suites = $i
        }
        if (uri != "" && uri !~ /security/ && suites !~ /-security/) { print uri; exit }
      }' "$f"
  elif [ -f /etc/apt/sources.list ]; then
    awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' /etc/apt/sources.list
  fi
}

# Everything here and in scripts/wine10 mounts inside a private mount
# namespace; this guards against someone else's lasting mount under the root
# before anything there is deleted, and against deleting the files of a
# process that runs in the root (a wineserver that scripts/wine10 left).
refuse_mounted() {
  if findmnt -rn -o TARGET | grep -q "^$TRIXIE\(/\|$\)"; then
    die "something is mounted under $TRIXIE; unmount it first (findmnt | grep trixie)"
  fi
  local p
  for p in /proc/[0-9]*; do
    if [ "$(readlink "$p/root" 2>/dev/null)" = "$TRIXIE" ]; then
      die "process ${p#/proc/} runs in $TRIXIE; end it first (scripts/wine10 --server -k with its WINEPREFIX)"
    fi
  done
}

# in_root CMD...: CMD in the root, with /proc and /dev bound only inside a
# private mount namespace that ends with it.
in_root() {
  unshare --mount --propagation private -- /bin/sh -ec '
    root=$1; shift
    mount --rbind /proc "$root/proc"
    mount --rbind /dev "$root/dev"
    exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
      LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive HOME=/root "$@"' sh "$TRIXIE" "$@"
}

SECONDS=0
LAP=0
lap() { say "$1: $((SECONDS - LAP)) s"; LAP=$SECONDS; }

if ! command -v debootstrap >/dev/null; then
  say "installing debootstrap on the host"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
  lap "debootstrap installed"
fi

if [ ! -f "$BASE" ]; then
  MIRROR=$(host_mirror)
  [ -n "$MIRROR" ] || die "no Debian mirror found in the host's apt sources"
  refuse_mounted
  rm -rf --one-file-system "$TRIXIE"
  mkdir -p "$TRIXIE"
  say "debootstrap: a minimal Debian 13 in build/trixie from $MIRROR"
  # debootstrap mounts /proc and /sys in the target itself; a private
  # namespace keeps them from outliving a failed run.
  log=$PROJECT/build/trixie-debootstrap.log
  if ! unshare --mount --propagation private -- \
      debootstrap --variant=minbase trixie "$TRIXIE" "$MIRROR" >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    die "debootstrap failed; its log is in build/trixie-debootstrap.log"
  fi
  touch "$BASE"
  lap "debootstrap"
fi

say "installing ${PACKAGES[*]} in the root"
rm -f "$TRIXIE/etc/resolv.conf"
cp -L /etc/resolv.conf "$TRIXIE/etc/resolv.conf"
# The host's time zone, for programs that run without TZ.
if [ -L /etc/localtime ]; then
  ln -sfn "$(readlink /etc/localtime)" "$TRIXIE/etc/localtime"
fi
in_root dpkg --configure -a
in_root apt-get update -q
in_root apt-get install -y -q --no-install-recommends "${PACKAGES[@]}"
lap "Wine 10 installed"

# Debian's amd64 libwine ships i386-windows empty: WoW64 needs the 32-bit PE
# DLLs, which are in libwine:i386. Installing that package would pull in a
# 32-bit Linux userland; its PE files alone are what the 64-bit loader loads,
# and they must be of exactly the installed version.
VERSION=$(in_root dpkg-query -W -f='${Version}' libwine)
say "the 32-bit PE DLLs from libwine:i386 $VERSION"
in_root dpkg --add-architecture i386
in_root apt-get update -q
rm -rf "$TRIXIE/tmp/libwine-i386"
mkdir -p "$TRIXIE/tmp/libwine-i386"
in_root /bin/sh -ec 'cd /tmp/libwine-i386 && apt-get download -q "libwine:i386=$1" &&
  dpkg-deb -x libwine_*_i386.deb tree' sh "$VERSION"
src=$(find "$TRIXIE/tmp/libwine-i386/tree" -type d -name i386-windows | head -n 1)
[ -n "$src" ] && [ -f "$src/ntdll.dll" ] || die "libwine:i386 $VERSION has no i386-windows folder with ntdll.dll"
mkdir -p "$TRIXIE/$I386_DIR"
cp -a "$src/." "$TRIXIE/$I386_DIR/"
say "  $(find "$src" -type f | wc -l) files from ${src#"$TRIXIE"/tmp/libwine-i386/tree/} into /$I386_DIR"
rm -rf "$TRIXIE/tmp/libwine-i386"
# Only the files were wanted: the root stays amd64 for apt.
in_root dpkg --remove-architecture i386
in_root apt-get update -q
in_root apt-get clean
lap "i386 DLLs"

# scripts/wine10 binds the project here, at its own path.
mkdir -p "$TRIXIE$PROJECT"
WINE_VERSION=$(in_root /usr/lib/wine/wine64 --version) || die "Wine in the root does not start"
printf '%s\n' "$WINE_VERSION (libwine $VERSION)" "packages: ${PACKAGES[*]}" >"$READY"
say "Debian 13 root ready in build/trixie: $(head -n 1 "$READY"), in $SECONDS s"
