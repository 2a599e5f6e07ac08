#!/usr/bin/env bash
# Configures and builds the Windows project (maxhost.dll, the plug-in DLLs, mshtool.exe and
# the harness) with MinGW-w64 in BUILD_DIR, and checks that every binary imports nothing but
# Windows' own DLLs and maxhost.dll. Exits 0 only when all of that succeeds.
# Usage: windows/build.sh BUILD_DIR
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: build.sh BUILD_DIR}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

say() { echo "windows build: $*"; }
fail() { say "FAILED: $*"; exit 1; }

command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 ||
  fail "x86_64-w64-mingw32-g++ not found (scripts/install-deps.sh windows installs mingw-w64)"

generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
log="$build/build.log"
say "building the Windows DLLs, mshtool.exe and the harness in $build"
if ! cmake -S "$root/windows" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
     -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >"$log" 2>&1; then
  tail -n 40 "$log"
  fail "configuring the MinGW build failed (log: $log)"
fi
if ! cmake --build "$build" -j 2 >>"$log" 2>&1; then
  grep -E 'error|Error' "$log" | head -n 40
  fail "the MinGW build failed (log: $log)"
fi

# Warnings do not fail the build (the Linux build has -Werror), but they are shown.
warnings=$(grep -c 'warning:' "$log")
[ "$warnings" -eq 0 ] || grep -A3 'warning:' "$log" | head -n 40
say "MinGW build done, $warnings compiler warnings in this run"

bin="$build/bin"
# Nothing but Windows' own DLLs and the host DLL: a compiler runtime DLL would be missing on
# a user's machine (and wine stops the load with exit 53).
allowed='^(kernel32|user32|msvcrt|advapi32|shell32|ole32|ucrtbase|api-ms-win-.*|maxhost)\.dll$'
for name in Talvex_MSH_IMPORT_15.dli Talvex_MSH_EXPORT_15.dle maxhost.dll mshtool.exe \
            msh_windows_harness.exe; do
  file="$bin/$name"
  [ -f "$file" ] || fail "missing $name"
  imports=$(x86_64-w64-mingw32-objdump -p "$file" | awk '/DLL Name:/ {print $3}')
  for dll in $imports; do
    echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed" ||
      fail "$name imports $dll, which is not a system DLL"
  done
  say "$name imports $(echo $imports | tr '\n' ' ')"
done
