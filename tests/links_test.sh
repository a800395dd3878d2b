#!/usr/bin/env bash
# Every relative link in README.md and doc/*.md names a file or folder that
# exists, taken from the linking file's own folder.
# Usage: links_test.sh SOURCE_DIR
set -uo pipefail
cd "$1" || exit 1
broken=0
for page in README.md doc/*.md; do
  while IFS= read -r target; do
    case $target in *://* | mailto:* | '#'*) continue ;; esac
    target=${target%%#*}
    if [ ! -e "$(dirname "$page")/$target" ]; then
      echo "$page: broken link to $target" >&2
      broken=1
    fi
  done < <(grep -o '](\([^)]*\))' "$page" | sed 's/^](\(.*\))$/\1/')
done
exit $broken
