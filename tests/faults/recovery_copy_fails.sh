#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The recovery copy's writing failed from outside (strace makes every fsync fail with ENOSPC, then
# with EIO): the window goes on, says once that its copy cannot be written, leaves no half copy,
# and writes nothing into the game folder. Run under an X server (xvfb-run).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
failed=0

# Generate 12 with the keyboard, and its first galaxy taken with a click.
take_first_candidate() {
  xdotool windowfocus --sync "$1" key ctrl+g
  sleep 2
  local dialog
  dialog=$(xdotool search --onlyvisible --pid "$2" | grep -v "^$1$" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  xdotool mousemove $((X + 130)) $((Y + 160)) click 1
}
for error in ENOSPC EIO; do
  root=$(mktemp -d)
  cp -r "$build/demo-game" "$root/game"
  before=$(cd "$root/game" && find . -type f -exec sha256sum {} + | sort)
  XDG_STATE_HOME="$root/state" HOME="$root/home" QT_QPA_PLATFORM=xcb \
    strace -f -o /dev/null -e trace=fsync -e inject=fsync:error=$error \
    "$build/app/orvek-galaxy-generator" --game-dir "$root/game" 2>"$root/err" &
  tracer=$!
  window=$(xdotool search --sync --onlyvisible --name "^Orvek - Galaxy Generator" | head -1)
  pid=$(xdotool getwindowpid "$window")
  for _ in 1 2; do
    take_first_candidate "$window" "$pid"
    sleep 3  # the copy is tried a second after the galaxy changes
  done
  said=$(grep -c "recovery copy of your unsaved work cannot be written" "$root/err" || true)
  alive=no; kill -0 "$pid" 2>/dev/null && alive=yes
  left=$(find "$root/state" -name 'unsaved-*.json*' 2>/dev/null | wc -l)
  after=$(cd "$root/game" && find . -type f -exec sha256sum {} + | sort)
  kill -9 "$pid" 2>/dev/null || true
  wait "$tracer" 2>/dev/null || true
  echo "$error: said $said time(s), window alive: $alive, copies or staged files left: $left"
  if [ "$said" != 1 ] || [ "$alive" != yes ] || [ "$left" != 0 ] || [ "$before" != "$after" ]; then
    failed=1
    cat "$root/err"
  fi
  rm -rf "$root"
done
exit $failed
