#!/usr/bin/env bash
# layers.sh - no source file includes a header of a layer above its own, nor
# of its sibling: support < engine < product < resources < wizard, cli < app,
# with wizard and cli apart. The build's include paths refuse most such
# includes already; this names every one, also in headers no build reads.
#
#   bash tests/scripts/posix/layers.sh BUILD_DIR SOURCE_DIR
set -u
source=$2
cd "$source" || exit 1
declare -A rank=([support]=0 [engine]=1 [product]=2 [resources]=3 [wizard]=4 [cli]=4 [app]=5)

# Which folder each header lives in (a generated one by its template).
declare -A home
for folder in "${!rank[@]}"; do
  while IFS= read -r header; do
    name=$(basename "$header" .in)
    home[$name]=$folder
  done < <(find "$folder" -name '*.h' -o -name '*.h.in')
done

failures=0
for folder in "${!rank[@]}"; do
  while IFS= read -r file; do
    while IFS= read -r name; do
      target=${home[$(basename "$name")]:-}
      [ -n "$target" ] || continue
      if [ "${rank[$target]}" -gt "${rank[$folder]}" ] ||
         { [ "${rank[$target]}" -eq "${rank[$folder]}" ] && [ "$target" != "$folder" ]; }; then
        echo "FAIL: $file includes $name from $target/, a layer above or beside $folder/"
        failures=$((failures + 1))
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done < <(find "$folder" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.inc' -o -name '*.rc' -o -name '*.in' \))
done
[ "$failures" -eq 0 ] && echo "every include points down"
exit $((failures > 0))
