#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command in a throw-away copy of a pristine Debian root (Debian 12,
# bookworm, unless --release trixie asks for Debian 13), on a clean clone of
# this checkout's committed HEAD, as root:
#   scripts/debian-root.sh [--release bookworm|trixie] [--buildd] [--out DIR] COMMAND
# COMMAND is run by bash in /src/coinflight inside the root. The host folder
# DIR, if given, is /out there: the only way anything comes back out.
#
# The pristine roots are made once with debootstrap (the minimal variant, or
# with --buildd the one with build-essential), from the Debian archive this
# machine's apt sources name, and kept in $COINFLIGHT_CACHE (default
# /var/cache/coinflight), one per release and variant side by side, with
# apt's downloaded packages (per release) and npm's cache, so
# that the next run downloads nothing it already has. Each run works on a
# fresh copy that is deleted afterwards. From the host the root gets only the
# kernel (a private /proc, /sys, a /dev of the few devices, a /dev/shm of its
# own) and how this machine reaches the archives: its apt sources, its
# resolver and the CA bundle NODE_EXTRA_CA_CERTS names for Node.js. It runs in
# a mount and PID namespace of its own, so that every mount and every process
# it starts ends with it. Needs root (chroot, mount, unshare).
set -euo pipefail
cd "$(dirname "$0")/.."
variant=minbase
release=bookworm
out=
while [ $# -gt 1 ]; do
  case $1 in
    --buildd) variant=buildd; shift ;;
    --release) release=$2; shift 2 ;;
    --out) out=$(mkdir -p "$2" && cd "$2" && pwd); shift 2 ;;
    *) break ;;
  esac
done
command=${1:?usage: scripts/debian-root.sh [--release bookworm|trixie] [--buildd] [--out DIR] COMMAND}
case $release in
  bookworm) number=12 ;;
  trixie) number=13 ;;
  *) echo "debian-root: no such release: $release (bookworm or trixie)" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "debian-root: run as root (it uses chroot, mount and unshare)" >&2; exit 2; }
git diff --quiet HEAD 2>/dev/null ||
  echo "debian-root: uncommitted changes stay out of the root: it clones HEAD" >&2

cache=${COINFLIGHT_CACHE:-/var/cache/coinflight}
pristine=$cache/root-$release-$variant
# Each release's packages apart: the same file name can hold another build.
archives=$cache/apt-archives
[ "$release" = bookworm ] || archives=$cache/apt-archives-$release
mkdir -p "$archives/partial" "$cache/npm"

if [ ! -f "$pristine/etc/debian_version" ]; then
  scripts/need.sh debootstrap
  mirror=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  [ -n "$mirror" ] ||
    mirror=$(sed -n 's/\[[^]]*\] *//; s/^deb  *\([^ ]*\).*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n1)
  [ -n "$mirror" ] || { echo "debian-root: no Debian archive in this machine's apt sources" >&2; exit 1; }
  log=$cache/debootstrap-$release-$variant.log
  echo "debian-root: making a pristine Debian $number root ($release, $variant; once; log in $log)"
  rm -rf "$pristine.tmp"
  debootstrap --variant="$variant" "$release" "$pristine.tmp" "$mirror" >"$log" 2>&1 ||
    { tail -n 20 "$log"; exit 1; }
  rm -f "$pristine.tmp"/var/cache/apt/archives/*.deb
  mv "$pristine.tmp" "$pristine"
fi

work=$(mktemp -d "$cache/work.XXXXXX")
trap 'rm -rf --one-file-system "$work"' EXIT
cp -a "$pristine/." "$work/"
cp -L /etc/resolv.conf "$work/etc/resolv.conf" 2>/dev/null || true
# debootstrap writes no /etc/hosts; an installed Debian has this one, without
# which every lookup of localhost or of the machine's own name goes to DNS.
printf '127.0.0.1\tlocalhost\n127.0.1.1\t%s\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' \
  "$(hostname)" >"$work/etc/hosts"
rm -f "$work"/etc/apt/sources.list "$work"/etc/apt/sources.list.d/*
cp -a /etc/apt/sources.list.d/. "$work/etc/apt/sources.list.d/" 2>/dev/null || true
[ ! -f /etc/apt/sources.list ] || cp /etc/apt/sources.list "$work/etc/apt/"
# This machine's sources name its own release (bookworm, bookworm-updates,
# bookworm-security); another release's root gets the same archives with
# that release's suites.
if [ "$release" != bookworm ]; then
  for f in "$work"/etc/apt/sources.list "$work"/etc/apt/sources.list.d/*; do
    [ ! -f "$f" ] || sed -i "s/\bbookworm\b/$release/g" "$f"
  done
fi
env=(HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8
  CI=true COINFLIGHT_THROWAWAY_ROOT=1)
if [ -f "${NODE_EXTRA_CA_CERTS:-}" ]; then
  mkdir -p "$work/etc/coinflight-root"
  cp "$NODE_EXTRA_CA_CERTS" "$work/etc/coinflight-root/extra-ca.pem"
  env+=(NODE_EXTRA_CA_CERTS=/etc/coinflight-root/extra-ca.pem)
fi
mkdir -p "$work/src" "$work/out" "$work/root/.npm"
git clone -q "$PWD" "$work/src/coinflight"

# shellcheck disable=SC2016 # expanded by the inner bash
unshare --mount --pid --fork --propagation private bash -euc '
  r=$1 archives=$2 cache=$3 out=$4
  shift 4
  mount -t proc proc "$r/proc"
  mount -t sysfs -o ro sysfs "$r/sys"
  mount -t tmpfs -o mode=0755,size=1m dev "$r/dev"
  for d in null zero full random urandom tty; do
    touch "$r/dev/$d"
    mount --bind "/dev/$d" "$r/dev/$d"
  done
  mkdir "$r/dev/pts" "$r/dev/shm"
  mount -t devpts -o newinstance,ptmxmode=0666 devpts "$r/dev/pts"
  mount -t tmpfs -o mode=1777 shm "$r/dev/shm"
  ln -s pts/ptmx "$r/dev/ptmx"
  ln -s /proc/self/fd "$r/dev/fd"
  ln -s /proc/self/fd/0 "$r/dev/stdin"
  ln -s /proc/self/fd/1 "$r/dev/stdout"
  ln -s /proc/self/fd/2 "$r/dev/stderr"
  mount --bind "$archives" "$r/var/cache/apt/archives"
  mount --bind "$cache/npm" "$r/root/.npm"
  [ -z "$out" ] || mount --bind "$out" "$r/out"
  exec chroot "$r" /usr/bin/env -i "$@"
' debian-root "$work" "$archives" "$cache" "$out" "${env[@]}" bash -c "cd /src/coinflight && $command"
