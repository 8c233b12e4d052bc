#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The same arguments give byte-identical campaigns and JSON from the Linux tool and from the
# Windows tool under Wine: every size and jumpgate preset, the custom extremes, an accented
# campaign name, and a game folder whose names differ in letter case; then the JSON of ten seeds
# of every shape, with and without clear jumpgates; and a campaign's archive made on each system
# imported on the other.
#   same_campaigns.sh LINUX_TOOL WINDOWS_TOOL DEMO_GAME WORK_DIR
set -uo pipefail
linux=$1 windows=$2 demo=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
cases=()
for size in small normal huge massive; do
  for gates in string normal web; do cases+=("--size $size --gates $gates"); done
done
cases+=("--custom 8,0,30,40,5" "--custom 175,9,30,40,5" "--custom 8,1,1,1,1 --write-inhibitions"
        "--custom 60,3,10,80,10 --level engine=rare --write-inhibitions"
        "--size huge --level cloak=everywhere --level shipyard=common --write-facilities"
        "--size small --name Étoile_Noire_Über" "--size normal --name 'Ærø Crossing' CASE"
        "--size massive --gates web --write-inhibitions --write-facilities CASE")
# A copy of the demo folder with the layout's names in other letter cases.
mixed=$work/mixed-case
cp -r "$demo" "$mixed"
mv "$mixed/campaign/data/encounters" "$mixed/campaign/data/Encounters"
mv "$mixed/campaign/data/Encounters/all" "$mixed/campaign/data/Encounters/ALL"
mv "$mixed/stars.txt" "$mixed/Stars.TXT"
winpath() { echo "Z:${1//\//\\}"; }
held=0 tried=0
for i in "${!cases[@]}"; do
  args=${cases[$i]} source=$demo
  if [[ $args == *CASE ]]; then args=${args% CASE} source=$mixed; fi
  seed=$((1000 + i))
  for side in linux windows; do
    rm -rf "$work/$side" && cp -r "$source" "$work/$side"
  done
  eval "set -- $args"
  "$linux" --quiet --seed $seed --save --game-dir "$work/linux" --json "$work/linux.json" "$@" \
    >"$work/linux.out" 2>&1
  wine "$windows" --quiet --seed $seed --save --game-dir "$(winpath "$work/windows")" \
    --json "$(winpath "$work/windows.json")" "$@" >"$work/windows.out" 2>&1
  tried=$((tried + 1))
  if diff -r "$work/linux/campaign" "$work/windows/campaign" >/dev/null &&
     cmp -s "$work/linux.json" "$work/windows.json" && [ -s "$work/linux.json" ]; then
    held=$((held + 1))
  else
    echo "DIFFERENT: seed $seed $args"; diff -r "$work/linux/campaign" "$work/windows/campaign" | head -5
    diff "$work/linux.json" "$work/windows.json" | head -5; cat "$work/linux.out" "$work/windows.out"
  fi
done
# An archive exported on one system imports on the other to the campaign's very files (the
# previews differ: each system draws its own fonts).
id=$(basename "$(ls "$work/linux/campaign/data/maps/"*.txt | head -1)" .txt)
for side in linux windows; do rm -rf "$work/into-$side" && cp -r "$source" "$work/into-$side"; done
"$linux" --quiet --game-dir "$work/linux" --export "$id" "$work/from-linux.zip" >"$work/linux.out" 2>&1
wine "$windows" --quiet --game-dir "$(winpath "$work/windows")" --export "$id" \
  "$(winpath "$work/from-windows.zip")" >"$work/windows.out" 2>&1
wine "$windows" --quiet --game-dir "$(winpath "$work/into-windows")" \
  --import "$(winpath "$work/from-linux.zip")" >>"$work/windows.out" 2>&1
"$linux" --quiet --game-dir "$work/into-linux" --import "$work/from-windows.zip" \
  >>"$work/linux.out" 2>&1
tried=$((tried + 1))
if diff -r "$work/linux/campaign" "$work/into-windows/campaign" >/dev/null &&
   diff -r "$work/linux/campaign" "$work/into-linux/campaign" >/dev/null; then
  held=$((held + 1))
else
  echo "DIFFERENT: the archive of $id exported on one system and imported on the other"
  cat "$work/linux.out" "$work/windows.out"
fi
for shape in classic disc ring spiral:2 spiral:3 spiral:4 clusters:2 clusters:3 clusters:4 \
             clusters:5 clusters:6; do
  for args in "--size normal" "--size huge --clear-gates"; do
    tried=$((tried + 1))
    # shellcheck disable=SC2086  # the arguments are words
    "$linux" --quiet --seed 77 --count 10 --stats --game-dir "$demo" --shape $shape $args \
      --json "$work/linux.json" >"$work/linux.out" 2>&1
    # shellcheck disable=SC2086
    wine "$windows" --quiet --seed 77 --count 10 --stats --game-dir "$(winpath "$demo")" \
      --shape $shape $args --json "$(winpath "$work/windows.json")" >"$work/windows.out" 2>&1
    if cmp -s "$work/linux.json" "$work/windows.json" && [ -s "$work/linux.json" ]; then
      held=$((held + 1))
    else
      echo "DIFFERENT: --shape $shape $args"; diff "$work/linux.json" "$work/windows.json" | head -5
      cat "$work/linux.out" "$work/windows.out"
    fi
  done
done
echo "same campaigns and JSON on Linux and Windows: $held of $tried cases"
[ $held = $tried ]
