#!/usr/bin/env bash
# Fails when a C++ file of the tree is not in the root .clang-format's style, naming the files.
set -uo pipefail
cd "$1"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find src tests tools bench -name '*.cpp' -o -name '*.h')
fi
bad=()
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'out of style (clang-format -i FILE): %s\n' "${bad[@]}"
  exit 1
fi
echo "${#files[@]} files in style"
