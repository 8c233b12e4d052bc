#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The layer check refuses a core file that includes what its layer may not, however the include
# is spelt (a blank after "#", blanks before it, a path climbing out with ".."), and passes a
# clean one.
#   tests/layer_check.sh SOURCE_DIR
set -euo pipefail
check=$1/cmake/check_layers.cmake
fixture=$(mktemp -d)
trap 'rm -rf "$fixture"' EXIT
mkdir -p "$fixture/core" "$fixture/gamedata" "$fixture/campaign"
printf '#include <vector>\n#include "core/planet.h"\n' >"$fixture/core/fine.cpp"
cmake -DSOURCE_DIR="$fixture" -P "$check" >/dev/null || { echo "a clean tree was refused"; exit 1; }
for line in '#include "campaign/save.h"' '# include "../campaign/save.h"' \
            '  #  include "ui/main_window.h"' '#include "../../elsewhere.h"' '#include <QString>'; do
  printf '%s\n' "$line" >"$fixture/core/bad.cpp"
  if cmake -DSOURCE_DIR="$fixture" -P "$check" >/dev/null 2>&1; then
    echo "not refused: $line"
    exit 1
  fi
done
