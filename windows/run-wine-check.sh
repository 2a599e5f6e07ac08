#!/usr/bin/env bash
# Builds maxhost.dll, the two plug-in DLLs and the harness with MinGW-w64, checks that the DLLs
# import nothing but system DLLs and maxhost.dll, and runs the harness headless under wine64 in
# a fresh private prefix that is removed afterwards. Exits 0 only when all of that succeeds.
# Usage: windows/run-wine-check.sh BUILD_DIR
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: run-wine-check.sh BUILD_DIR}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

say() { echo "wine check: $*"; }
fail() { say "FAILED: $*"; exit 1; }

command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 ||
  fail "x86_64-w64-mingw32-g++ not found (scripts/install-deps.sh windows installs mingw-w64)"
# Debian's wine64 keeps its programs in its own library folder, not on the PATH.
wine=$(dpkg -L wine64 2>/dev/null | grep -E '/wine64$' | grep -v '/share/' | head -n1)
wineserver=$(dpkg -L wine64 2>/dev/null | grep -E '/wineserver(64)?$' | head -n1)
[ -n "$wine" ] && [ -x "$wine" ] ||
  fail "wine64 not found (scripts/install-deps.sh windows installs wine64)"
[ -n "$wineserver" ] && [ -x "$wineserver" ] || fail "wineserver of wine64 not found"

generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
log="$build/build.log"
say "building the Windows DLLs and harness in $build"
if ! cmake -S "$root/windows" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
     -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >"$log" 2>&1; then
  tail -n 40 "$log"
  fail "configuring the MinGW build failed (log: $log)"
fi
if ! cmake --build "$build" -j 2 >>"$log" 2>&1; then
  grep -E 'error|Error' "$log" | head -n 40
  fail "the MinGW build failed (log: $log)"
fi

# Warnings do not fail the check (the Linux build has -Werror), but they are shown.
warnings=$(grep -c 'warning:' "$log")
[ "$warnings" -eq 0 ] || grep -A3 'warning:' "$log" | head -n 40
say "MinGW build done, $warnings compiler warnings in this run"

bin="$build/bin"
binaries=("$bin/Talvex_MSH_IMPORT_15.dli" "$bin/Talvex_MSH_EXPORT_15.dle" "$bin/maxhost.dll"
          "$bin/msh_windows_harness.exe")
for file in "${binaries[@]}"; do
  [ -f "$file" ] || fail "missing $(basename "$file")"
done
# Nothing but Windows' own DLLs and the host DLL: a compiler runtime DLL would be missing on
# a user's machine (and wine stops the load with exit 53).
allowed='^(kernel32|user32|msvcrt|advapi32|shell32|ole32|ucrtbase|api-ms-win-.*|maxhost)\.dll$'
for file in "${binaries[@]}"; do
  imports=$(x86_64-w64-mingw32-objdump -p "$file" | awk '/DLL Name:/ {print $3}')
  for dll in $imports; do
    echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed" ||
      fail "$(basename "$file") imports $dll, which is not a system DLL"
  done
  say "$(basename "$file") imports $(echo $imports | tr '\n' ' ')"
done
for dll in "$bin/Talvex_MSH_IMPORT_15.dli" "$bin/Talvex_MSH_EXPORT_15.dle"; do
  exports=$(x86_64-w64-mingw32-objdump -p "$dll" |
            awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && NF==0 {on=0} on {print $NF}' |
            sort | tr '\n' ' ')
  [ "$exports" = "LibClassDesc LibDescription LibInitialize LibNumberClasses LibShutdown LibVersion " ] ||
    fail "$(basename "$dll") exports [$exports], expected exactly the six library functions"
done

prefix="$build/wineprefix.$$"
cleanup() {
  WINEPREFIX="$prefix" "$wineserver" -k >/dev/null 2>&1
  rm -rf "$prefix"
}
trap cleanup EXIT
export WINEPREFIX="$prefix" WINESERVER="$wineserver" WINEARCH=win64
# Errors of the loader stay visible (a missing DLL would otherwise exit silently with 53).
export WINEDEBUG=-all,err+module
# C.UTF-8 gives the ANSI code page 1252 of a Western install.
export LC_ALL=C.UTF-8
# No mono or gecko installers, and no display: message boxes return at once.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

say "running the harness under $wine"
output=$(cd "$bin" && "$wine" msh_windows_harness.exe 2>&1)
status=$?
printf '%s\n' "$output" | grep -v -E '^wine: (created the configuration|configuration in|failed to open .*syswow64)|fixme:'
summary=$(printf '%s\n' "$output" | grep -E '^windows harness:' | tail -n1)
[ -n "$summary" ] || fail "the harness printed no summary (exit code $status)"
[ $status -eq 0 ] || fail "$summary (exit code $status)"
say "PASSED: $summary; exports, imports and resources of both DLLs as required"
