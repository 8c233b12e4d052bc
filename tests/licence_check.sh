#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The licence where it is looked for: LICENSE holds the GPL version 3, every source file names it
# in its first lines (SPDX), and the Debian package's copyright file says GPL-3.0+.
#   tests/licence_check.sh SOURCE_DIR
set -euo pipefail
cd "$1"
tag="SPDX-License-Identifier: GPL-3.0-or-later"
failed=0
head -n 2 LICENSE | grep -q "GNU GENERAL PUBLIC LICENSE" &&
  head -n 2 LICENSE | grep -q "Version 3, 29 June 2007" ||
  { echo "LICENSE is not the GNU GPL version 3"; failed=1; }
# The files of the repository (or, in an unpacked source archive, those found).
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  list() { git ls-files; }
else
  list() { find . -type f ! -path './build*' | sed 's|^\./||'; }
fi
while IFS= read -r file; do
  case "$file" in
    *.cpp | *.h | *.sh | *.py | *.cmake | *.in | */CMakeLists.txt | CMakeLists.txt | .ci/run) ;;
    *) continue ;;
  esac
  head -n 3 "$file" | grep -qF "$tag" || { echo "$file: no \"$tag\" in its first lines"; failed=1; }
done < <(list)
grep -q "^License: GPL-3.0+$" packaging/copyright ||
  { echo "packaging/copyright does not say \"License: GPL-3.0+\""; failed=1; }
exit "$failed"
