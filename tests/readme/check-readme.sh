#!/usr/bin/env bash
# Checks README.md against the tree: every C snippet compiles as strict C11
# against the public headers, and the Layout table names every folder there
# is and no folder that is not. Usage: check-readme.sh SOURCE_DIR CC INCLUDE_DIR...
set -euo pipefail
src=$1 cc=$2
shift 2
includes=()
for dir in "$@"; do includes+=(-I "$dir"); done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
readme=$src/README.md

# Each ```c block becomes the body of its own function.
awk -v dir="$work" '
  /^```c$/ { n++; file = dir "/snippet" n ".c"
             print "#include <stdio.h>\n#include <zorvalen/ZorvalenRaw.h>\nint snippet(const char* path);\nint snippet(const char* path) {\n  (void)path;" > file
             next }
  /^```$/ && file { print "  return 0;\n}" > file; close(file); file = ""; next }
  file { print "  " $0 > file }' "$readme"
count=0
for snippet in "$work"/snippet*.c; do
  [ -e "$snippet" ] || break
  "$cc" -std=c11 -pedantic-errors -Wall -Wextra -Werror -Wno-unused-variable -Wno-unused-but-set-variable \
    "${includes[@]}" -c "$snippet" -o "$work/out.o" || { echo "README snippet failed: $(basename "$snippet")"; exit 1; }
  count=$((count + 1))
done
[ "$count" -ge 7 ] || { echo "only $count C snippets found"; exit 1; }

# The Layout table: what it names exists, and every folder is named.
table=$(sed -n '/^## Layout/,$p' "$readme" | grep '^| `')
named=$(grep -o '`[^`]*/`' <<< "$table" | tr -d '`' | sort -u)
for dir in $named; do
  [ -d "$src/$dir" ] || { echo "Layout names $dir, which is not a folder"; exit 1; }
done
cd "$src"
for dir in $(git ls-files | grep / | cut -d/ -f1 | sort -u) \
           $(git ls-files src tests | cut -d/ -f1-2 | grep / | sort -u) \
           $(git ls-files src/formats | cut -d/ -f1-3 | sort -u); do
  [ -d "$dir" ] || continue
  # The test folders that mirror src/ are named by the tests/ row.
  [[ $dir == tests/* && -d src/${dir#tests/} ]] && continue
  grep -q "^$dir/" <<< "$named" || { echo "Layout does not name $dir/"; exit 1; }
done
echo "README: $count C snippets compile; the Layout table matches the folders"
