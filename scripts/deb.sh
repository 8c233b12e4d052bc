#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package of the programs built in build/, installs it, and starts both from
# their installed paths: orvek-galaxy --help and a Generate in the demo game folder, and the
# window under Xvfb, which must still be running three seconds later.
set -euo pipefail
cd "$(dirname "$0")/.."
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/orvek-galaxy-generator_*.deb | head -1)
sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
$sudo_cmd dpkg -i "$deb" >/dev/null
for f in /usr/bin/orvek-galaxy /usr/bin/orvek-galaxy-generator /usr/share/man/man1/orvek-galaxy.1 \
         /usr/share/applications/orvek-galaxy-generator.desktop \
         /usr/share/icons/hicolor/scalable/apps/orvek-galaxy-generator.svg \
         /usr/share/doc/orvek-galaxy-generator/copyright; do
  [ -f "$f" ] || { echo "[deb] $f is not installed"; exit 1; }
done
# The licence where packagers look for it: the copyright file in Debian's machine-readable
# format, GPL-3.0+ pointing at the system's copy of the text.
copyright=/usr/share/doc/orvek-galaxy-generator/copyright
grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$copyright" &&
  grep -q "^License: GPL-3.0+$" "$copyright" && grep -q "/usr/share/common-licenses/GPL-3" "$copyright" &&
  [ -f /usr/share/common-licenses/GPL-3 ] ||
  { echo "[deb] $copyright does not give the GPL-3.0+ as Debian's format asks"; exit 1; }
/usr/bin/orvek-galaxy --version | grep -q "GPL-3.0-or-later" ||
  { echo "[deb] orvek-galaxy --version does not name the licence"; exit 1; }
for f in /usr/bin/orvek-galaxy /usr/bin/orvek-galaxy-generator; do
  if readelf -S "$f" | grep -q '\.debug_info'; then echo "[deb] $f is not stripped"; exit 1; fi
done
/usr/bin/orvek-galaxy --help | grep -q -- "--game-dir"
/usr/bin/orvek-galaxy --game-dir build/demo-game --seed 1 --quiet >/dev/null
(cd build/demo-game &&
  xvfb-run -a -s "-screen 0 1280x800x24" sh -c \
    '/usr/bin/orvek-galaxy-generator & pid=$!; sleep 3; kill -0 $pid && kill $pid') ||
  { echo "[deb] the installed window did not keep running"; exit 1; }
# As a desktop menu starts it: in a home folder, the game in a Steam library of that home.
home=$(mktemp -d)
mkdir -p "$home/.local/share/Steam/steamapps/common"
cp -r build/demo-game "$home/.local/share/Steam/steamapps/common/Tessarine"
shot=$PWD/build/installed-from-home.png
(cd "$home" &&
  HOME="$home" xvfb-run -a -s "-screen 0 1280x800x24" sh -c \
    "/usr/bin/orvek-galaxy-generator & pid=\$!; sleep 3; xwd -root -silent | xwdtopnm 2>/dev/null |
     pnmtopng > '$shot'; kill -0 \$pid && kill \$pid") ||
  { echo "[deb] the installed window did not keep running from a home folder"; exit 1; }
rm -rf "$home"
# The map over its picture has many colours; the refusal's message box on black has few.
[ "$(pngtopnm "$shot" | ppmhist -noheader | wc -l)" -gt 50 ] ||
  { echo "[deb] the installed window did not find the game from a home folder: $shot"; exit 1; }
echo "[deb] $(basename "$deb") installed; both programs ran from /usr/bin (screenshot: $shot)"
