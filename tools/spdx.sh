#!/usr/bin/env bash
# Puts the licence identifier at the top of every project source file, once:
#   // SPDX-License-Identifier: GPL-3.0-or-later   (C++ sources and headers)
#   # SPDX-License-Identifier: GPL-3.0-or-later    (shell, Python and CMake files)
# Files that already carry an SPDX line are left as they are, so running it
# again changes nothing. A "#!" line stays first.
# Usage: tools/spdx.sh [--check]   (--check lists files without the line, exit 1 if any)
set -euo pipefail
cd "$(dirname "$0")/.."
id='SPDX-License-Identifier: GPL-3.0-or-later'
check=0
[ "${1:-}" = "--check" ] && check=1

missing=0
while IFS= read -r -d '' file; do
  case "$file" in
    *.cpp|*.h|*.hpp|*.cc|*.in.h) prefix='//' ;;
    *.sh|*.py|*.cmake|*CMakeLists.txt) prefix='#' ;;
    *) continue ;;
  esac
  if head -n 3 "$file" | grep -q 'SPDX-License-Identifier:'; then
    continue
  fi
  if [ "$check" = 1 ]; then
    echo "$file"
    missing=1
    continue
  fi
  tmp="$(mktemp "$file.spdx.XXXXXX")"
  if head -n 1 "$file" | grep -q '^#!'; then
    { head -n 1 "$file"; echo "$prefix $id"; tail -n +2 "$file"; } >"$tmp"
  else
    { echo "$prefix $id"; cat "$file"; } >"$tmp"
  fi
  chmod --reference="$file" "$tmp"
  mv "$tmp" "$file"
done < <(git ls-files -z -- src tests bench tools cmake CMakeLists.txt run.sh test.sh)
exit "$missing"
