#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes Debian's source packages fetchable with apt-get source: adds a deb-src entry for Debian
# bookworm when the package named cannot be fetched yet. Reports on standard error.
#   scripts/debian-sources.sh PACKAGE
set -euo pipefail
if ! apt-get source --print-uris "$1" >/dev/null 2>&1; then
  echo "[debian-sources] adding a deb-src entry for Debian bookworm" >&2
  cat >/etc/apt/sources.list.d/orvek-deb-src.sources <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt-get update -qq >&2
fi
