#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kills and fails an overwriting Save from outside, at every file call it makes, and races two
# Saves; after each, the whole game folder must equal the old or the new complete campaign. With
# CRASH_SAVE=first the Save is the campaign's first: the old game folder holds no campaign of it,
# not even an empty folder.
#   crash_suite.sh TOOL DEMO_GAME WORK_DIR
# strace's fault injection stops the tool at the Nth call of each kind (SIGKILL) or makes that
# call fail (EIO, ENOSPC, EACCES); the tool is then started once more, as a player would, and the
# tree compared: a call failing up to the commit must leave the old campaign with exit 1; after it
# the Save may complete. Prints "kills tried/held, errors tried/held, races tried/held". A failing
# call's run stops only at calls of its kind (--seccomp-bpf), many times faster than stopping at
# every call the tool makes; a kill's run stops at every call, since strace 6.1 delivers no
# injected signal in that mode.
# With CRASH_SAVE=edited the Save is that of the saved campaign opened and edited (a planet
# added and joined, made home, another renamed), which writes it back from its own files; with
# CRASH_SAVE=import it is the import of another campaign's archive over it. Races are then left
# out. CRASH_EVERY=K tries one call in K of each kind (and always the first, the last and those
# around the commit), as the test command does to stay short; the hardening run tries them all.
set -uo pipefail
tool=$1 demo=$2 work=$3
calls=(openat write fsync renameat unlinkat mkdirat flock getdents64 close newfstatat)
rm -rf "$work" && mkdir -p "$work"

# A small game folder of the demo's own files: 40 templates, one picture.
base=$work/base
mkdir -p "$base"/campaign/data/{encounters/all,bitmaps/ui,maps}
cp "$demo"/Orvek.exe "$demo"/stars.txt "$demo"/regions.txt "$demo"/types.txt "$base"/
find "$demo"/campaign/data/encounters/all -name '*.txt' | sort | head -40 |
  xargs cp -t "$base"/campaign/data/encounters/all/
cp "$demo"/campaign/data/bitmaps/ui/nebula1.jpg "$base"/campaign/data/bitmaps/ui/

snapshot() { (cd "$1" && find . -printf '%y %p\n' | sort && find . -type f -print0 | sort -z |
  xargs -0 sha256sum); }
run() { "$tool" --game-dir "$1" --quiet "${@:2}"; }
save_args=(--size small --save --name Crash --overwrite)
restart() { run "$1" --seed 9 --size small >/dev/null 2>&1; }

edited=${CRASH_SAVE:-generated}
if [ "$edited" != first ]; then
  run "$base" --seed 1 --size small --save --name Crash >/dev/null || exit 1
  # A sub-folder and a file of the player's own inside the campaign folder stay as they are.
  mkdir -p "$base"/campaign/data/encounters/crash/notes && echo mine >"$base"/campaign/data/encounters/crash/notes/a.txt
fi
if [ "$edited" = edited ]; then
  # The first free place of a few for the new planet, number 8 of the small galaxy.
  for at in 100,100 900,900 100,900 900,100 500,500 300,700 700,300; do
    save_args=(--open crash --add "$at" --join 0,8 --home 8 --rename 1:Edited --save)
    rm -rf "$work/try" && cp -a "$base" "$work/try"
    run "$work/try" "${save_args[@]}" >/dev/null 2>&1 && break
  done
fi
if [ "$edited" = import ]; then
  # The campaign of another Generate, as an archive: imported over the saved one.
  cp -a "$base" "$work/export" && run "$work/export" --seed 2 "${save_args[@]}" >/dev/null &&
    run "$work/export" --export crash "$work/crash.zip" >/dev/null || exit 1
  save_args=(--import "$work/crash.zip" --overwrite)
fi
old=$(snapshot "$base")
cp -a "$base" "$work/new" && run "$work/new" --seed 2 "${save_args[@]}" >/dev/null || exit 1
new=$(snapshot "$work/new")
cp -a "$base" "$work/other" && run "$work/other" --seed 3 "${save_args[@]}" >/dev/null || exit 1
other=$(snapshot "$work/other")
[ "$old" != "$new" ] && { [ "$new" != "$other" ] || [ "$edited" = edited ] || [ "$edited" = import ]; } ||
  { echo "the three states must differ"; exit 1; }

# Which calls of each kind the save makes: those from its lock on Orvek.exe on (the calls before
# belong to start-up and to the Generate command).
declare -A first last
rm -rf "$work/count" && cp -a "$base" "$work/count"
strace -f -qq --seccomp-bpf -o "$work/count.log" -e trace="$(IFS=,; echo "${calls[*]}")" \
  "$tool" --game-dir "$work/count" --quiet --seed 2 "${save_args[@]}" >/dev/null
start=$(grep -n 'openat(.*Orvek\.exe' "$work/count.log" | tail -1 | cut -d: -f1)
# The commit point: the journal renamed into place. A call that fails up to it must leave the old
# campaign; only after it may a Save complete despite a failure.
commit=$(grep -n 'renameat(.*journal\.new' "$work/count.log" | tail -1 | cut -d: -f1)
[ -n "$commit" ] || { echo "the save's commit was not found"; exit 1; }
declare -A committed
# The openat calls that open a folder to list it (opendir's flags): a listing that fails while a
# path's letter case is resolved takes the name as written, as a failing look does.
listings=" $(grep "^[0-9]* *openat(" "$work/count.log" | grep -n 'O_NONBLOCK|O_CLOEXEC|O_DIRECTORY' |
  cut -d: -f1 | tr '\n' ' ')"
# The getdents64 calls that read such a listing: those on a folder opened so, until it is closed.
listing_reads=" $(awk '
  / openat\(.*O_NONBLOCK\|O_CLOEXEC\|O_DIRECTORY\) = [0-9]+$/ { listing[$NF] = 1 }
  / close\([0-9]+\)/ { match($0, /close\([0-9]+/); delete listing[substr($0, RSTART + 6, RLENGTH - 6)] }
  / getdents64\(/ { n++; match($0, /getdents64\([0-9]+/)
    if (substr($0, RSTART + 11, RLENGTH - 11) in listing) printf "%d ", n }
' "$work/count.log")"
for c in "${calls[@]}"; do
  first[$c]=$(($(head -n "$start" "$work/count.log" | grep -c "^[0-9]* *$c(") + 1))
  last[$c]=$(($(grep -c "^[0-9]* *$c(" "$work/count.log") + 1))
  committed[$c]=$(head -n "$commit" "$work/count.log" | grep -c "^[0-9]* *$c(")
done

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
failures=0 kills=0 kills_held=0 errors=0 errors_held=0
case_dir=$work/case
every=${CRASH_EVERY:-1}
# Whether call n of kind c is tried: each kind's sample starts at another place, so that a run
# covers other calls of each kind than the kind before it.
tried() {
  local c=$1 n=$2 k=$3
  [ "$every" -le 1 ] && return 0
  [ "$n" = "${first[$c]}" ] || [ "$n" = "${last[$c]}" ] && return 0
  [ "$n" -ge "${committed[$c]}" ] && [ "$n" -le $((committed[$c] + 1)) ] && return 0
  [ $(((n + k) % every)) = 0 ]
}
k=0
for c in "${calls[@]}"; do
  k=$((k + 1))
  for ((n = first[$c]; n <= last[$c]; n++)); do
    tried "$c" "$n" "$k" || continue
    # Killed at call n: the next start completes or undoes the save.
    rm -rf "$case_dir" && cp -a "$base" "$case_dir"
    timeout 120 strace -f -qq -o /dev/null -e trace="$c" -e inject="$c":signal=KILL:when=$n \
      "$tool" --game-dir "$case_dir" --quiet --seed 2 "${save_args[@]}" >/dev/null 2>&1 &
    wait $! 2>/dev/null  # the shell's own "Killed" notice is expected here
    status=$?
    restart "$case_dir"
    after=$(snapshot "$case_dir")
    kills=$((kills + 1))
    # A kill that never came would pass as a Save that completed: up to the last call counted,
    # the tool must have been stopped by it.
    if [ "$n" -lt "${last[$c]}" ] && [ $status != 137 ]; then fail "kill at $c #$n: status $status"
    elif [ "$after" = "$old" ] || [ "$after" = "$new" ]; then kills_held=$((kills_held + 1))
    else fail "kill at $c #$n"; diff <(echo "$old") <(echo "$after") | head -5; fi

    # Failing call n: exit 1 with the old tree, or a save that succeeded despite it.
    for e in EIO ENOSPC EACCES; do
      [ "$e" != EIO ] && [ "$c" != write ] && [ "$c" != renameat ] && continue
      rm -rf "$case_dir" && cp -a "$base" "$case_dir"
      msg=$(strace -f -qq --seccomp-bpf -o /dev/null -e trace="$c" -e inject="$c":error=$e:when=$n \
        "$tool" --game-dir "$case_dir" --quiet --seed 2 "${save_args[@]}" 2>&1 >/dev/null)
      status=$?
      after=$(snapshot "$case_dir")
      errors=$((errors + 1))
      # Closing a folder handle or a file only read loses nothing, and a look at an entry that
      # fails while a path's letter case is resolved takes the name as written (opening it then
      # fails if anything is wrong): such a failure may let the Save complete before its commit.
      after_commit=$((n > committed[$c]))
      [ "$c" = close ] || [ "$c" = newfstatat ] && after_commit=1
      [ "$c" = openat ] && [[ $listings == *" $n "* ]] && after_commit=1
      [ "$c" = getdents64 ] && [[ $listing_reads == *" $n "* ]] && after_commit=1
      if { [ $status = 1 ] && [ "$after" = "$old" ] && [ -n "$msg" ]; } ||
         { [ $after_commit = 1 ] && [ $status = 0 ] && [ "$after" = "$new" ]; } ||
         { [ $after_commit = 1 ] && [ $status = 1 ] && [ "$after" = "$new" ] &&
           [[ $msg == "Cannot write to standard output"* ]]; }; then
        errors_held=$((errors_held + 1))
      else fail "$e at $c #$n: status $status, $msg"; diff <(echo "$old") <(echo "$after") | head -5; fi
    done
  done
done

# Two saves of the same campaign at once: both succeed, one after the other.
races=0 races_held=0
[ "$edited" = edited ] || [ "$edited" = import ] && rounds=0 || rounds=20
for ((i = 1; i <= rounds; i++)); do
  rm -rf "$case_dir" && cp -a "$base" "$case_dir"
  run "$case_dir" --seed 2 "${save_args[@]}" >/dev/null 2>&1 & a=$!
  run "$case_dir" --seed 3 "${save_args[@]}" >/dev/null 2>&1 & b=$!
  wait $a; sa=$?; wait $b; sb=$?
  after=$(snapshot "$case_dir")
  races=$((races + 1))
  # Two first Saves: the one that waited finds the campaign the other has just written, and
  # replaces it only when asked again (exit 1); the tree is then the other's.
  if { [ $sa = 0 ] && [ $sb = 0 ] && { [ "$after" = "$new" ] || [ "$after" = "$other" ]; }; } ||
     { [ "$edited" = first ] && { { [ $sa = 0 ] && [ $sb = 1 ] && [ "$after" = "$new" ]; } ||
                                  { [ $sa = 1 ] && [ $sb = 0 ] && [ "$after" = "$other" ]; }; }; }; then
    races_held=$((races_held + 1))
  else fail "race $i: statuses $sa $sb"; fi
done

echo "kills $kills/$kills_held, errors $errors/$errors_held, races $races/$races_held (tried/held)"
[ $failures = 0 ]
