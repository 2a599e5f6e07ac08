#!/usr/bin/env bash
# Compiles every plug-in-side file as strict C++11 (-pedantic -Werror), each on its own.
# With STANDARD c++17 it compiles them as the SDKs of 2022 and later need them compiled, and
# the host headers then declare what those SDKs add (MAX_VERSION_MAJOR 24: the descriptors'
# NonLocalizedClassName is pure virtual).
# Usage: tools/check-cxx11.sh [COMPILER] [STANDARD]   (STANDARD: c++11, the default, or c++17)
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
cxx="${1:-g++}"
standard="${2:-c++11}"
extra=()
case "$standard" in
  c++11) ;;
  c++17) extra=(-DMAX_VERSION_MAJOR=24) ;;
  *) echo "check-cxx11: STANDARD is c++11 or c++17, not $standard"; exit 2 ;;
esac
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
count=0
while IFS= read -r file; do
  count=$((count + 1))
  if ! "$cxx" -std="$standard" -pedantic -Werror -Wall -Wextra -fsyntax-only -x c++ \
      "${extra[@]}" -I"$root" "$root/$file" 2>"$log"; then
    echo "not $standard: $file"
    cat "$log"
    status=1
  fi
done < <("$root/tools/plugin-sources.sh")
echo "check-cxx11: $count files checked as $standard"
exit $status
