#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# piuparts, Debian's own test of a package's installation: the package,
# with its dependencies from the archive, installed into a pristine Debian
# root, then removed and purged, with nothing of it left behind and nothing
# else of the root changed:
#   tests/package/check_piuparts.sh RELEASE DEB
# RELEASE is bookworm or trixie; the root is a copy of scripts/debian-root.sh's
# pristine one of that release (made first if missing), with its own apt
# sources. piuparts chroots and mounts, so this runs as root on the host, as
# CI does; it changes nothing of the host but installing piuparts.
set -euo pipefail
cd "$(dirname "$0")/../.."
release=${1:?usage: tests/package/check_piuparts.sh RELEASE DEB}
deb=$(realpath "${2:?usage: tests/package/check_piuparts.sh RELEASE DEB}")
[ "$(id -u)" -eq 0 ] || { echo "check_piuparts.sh: run as root (piuparts chroots)" >&2; exit 2; }
scripts/need.sh piuparts >/dev/null

# debian-root.sh makes the pristine root the first time it is asked for one.
root=${COINFLIGHT_CACHE:-/var/cache/coinflight}/root-$release-minbase
[ -f "$root/etc/debian_version" ] || scripts/debian-root.sh --release "$release" true
[ -f "$root/etc/debian_version" ] || { echo "check_piuparts.sh: no pristine $release root" >&2; exit 1; }

# Debian 13's debconf leaves an empty folder of its own behind, made when
# apt preconfigures any package with questions: the SDL runtime alone,
# installed and purged in a pristine Debian 13 root, leaves it too. Debian
# 12's piuparts, run here, does not know it yet.
debconf_leftover=/var/cache/debconf/tmp.ci/
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! piuparts --existing-chroot="$root" --distribution="$release" --keep-sources-list \
  --ignore="$debconf_leftover" --log-file="$log" "$deb" >/dev/null 2>&1; then
  tail -n 60 "$log"
  echo "piuparts failed: $(basename "$deb") on $release" >&2
  exit 1
fi
grep -F 'PASS:' "$log" || true
echo "piuparts: $(basename "$deb") installs, purges and leaves nothing behind on $release"
