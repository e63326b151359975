#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Validates the AppStream data, pedantically, with this release's appstreamcli:
# a metainfo FILE, or with validate-tree an installed ROOT (the desktop
# entry and icon it names too, as lintian does). Prints the verdict and
# fails on any issue but two that say nothing wrong about the data:
# - url-homepage-missing: the project has no web site to give as its
#   homepage, so none is given; Debian 13's AppStream 1.0 warns (and so
#   says "failed"), Debian 12's says nothing;
# - unknown-tag developer: Debian 12's AppStream 0.16 does not know the
#   <developer> element yet that AppStream 1.0 asks for instead of
#   <developer_name> (a note; 1.0 calls the old element deprecated).
#   tests/package/check_appstream.sh FILE|ROOT
set -euo pipefail
what=$1
if [ -d "$what" ]; then
  verdict=$(appstreamcli validate-tree --pedantic --no-net "$what" 2>&1) || true
else
  verdict=$(appstreamcli validate --pedantic --no-net "$what" 2>&1) || true
fi
issues=$(sed 's/^ *//' <<<"$verdict" | grep -E '^[EWIP]: ' | grep -v -E \
  -e '^W: org\.coinflight\.coinflight(\.desktop)?:~: url-homepage-missing$' \
  -e '^I: org\.coinflight\.coinflight(\.desktop)?:[0-9]+: unknown-tag developer$' || true)
if grep -q -E 'Validation (was successful|failed)' <<<"$verdict" && [ -z "$issues" ]; then
  exit 0
fi
echo "$verdict"
exit 1
