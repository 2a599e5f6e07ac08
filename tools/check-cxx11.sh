#!/usr/bin/env bash
# Compiles every plug-in-side file as strict C++11 (-pedantic -Werror), each on its own.
# Usage: tools/check-cxx11.sh [COMPILER]
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
cxx="${1:-g++}"
status=0
count=0
while IFS= read -r file; do
  count=$((count + 1))
  if ! "$cxx" -std=c++11 -pedantic -Werror -Wall -Wextra -fsyntax-only -x c++ \
      -I"$root" "$root/$file" 2>/tmp/check-cxx11.$$; then
    echo "not C++11: $file"
    cat /tmp/check-cxx11.$$
    status=1
  fi
done < <("$root/tools/plugin-sources.sh")
rm -f /tmp/check-cxx11.$$
echo "check-cxx11: $count files checked"
exit $status
