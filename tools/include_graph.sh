#!/usr/bin/env bash
# The include graph of src/ by top folder, as Graphviz DOT on standard output (render with
# `dot -Tpng`). Folders are drawn in their layer order; an include that runs from a lower
# layer up to a higher one, or across two folders of one layer, is drawn red and makes the
# script exit 1, so it also serves as a check.
#   tools/include_graph.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root/src"

# Layer of each folder, lowest first; folders of one layer may not include each other.
declare -A rank=([host]=0 [numbers]=1 [files]=2 [language]=2 [engine]=3 [help]=4 [cli]=5
  [ui]=5)

edges=$(grep -rHo --include='*.cpp' --include='*.h' '^#include "[a-z_]*/' . |
  sed -E 's#^\./([a-z_]+)/[^:]*:\#include "([a-z_]+)/#\1 \2#' | grep -v '^\./' | sort | uniq -c)

status=0
echo "digraph includes {"
echo "  rankdir=BT; node [shape=box];"
for folder in "${!rank[@]}"; do echo "  $folder [label=\"src/$folder\"];"; done
while read -r count from to; do
  [ "$from" = "$to" ] && continue
  color=black
  if [ -z "${rank[$from]:-}" ] || [ -z "${rank[$to]:-}" ] ||
    [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
    color=red
    status=1
    echo "upward include: src/$from -> src/$to ($count)" >&2
  fi
  echo "  $from -> $to [label=\"$count\", color=$color];"
done <<<"$edges"
echo "}"
exit $status
