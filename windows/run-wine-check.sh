#!/usr/bin/env bash
# Builds the Windows project (windows/build.sh: the DLLs import nothing but system DLLs and
# maxhost.dll), checks the plug-ins' exports, and runs the harness headless under wine64 in a
# fresh private prefix that is removed afterwards. Exits 0 only when all of that succeeds.
# Usage: windows/run-wine-check.sh BUILD_DIR
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: run-wine-check.sh BUILD_DIR}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

say() { echo "wine check: $*"; }
fail() { say "FAILED: $*"; exit 1; }

"$root/windows/build.sh" "$build" || fail "the Windows build failed"
bin="$build/bin"
for dll in "$bin/Talvex_MSH_IMPORT_15.dli" "$bin/Talvex_MSH_EXPORT_15.dle"; do
  exports=$(x86_64-w64-mingw32-objdump -p "$dll" |
            awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && NF==0 {on=0} on {print $NF}' |
            sort | tr '\n' ' ')
  [ "$exports" = "LibClassDesc LibDescription LibInitialize LibNumberClasses LibShutdown LibVersion " ] ||
    fail "$(basename "$dll") exports [$exports], expected exactly the six library functions"
done

source "$root/windows/wine-env.sh"

say "running the harness under $wine"
output=$(cd "$bin" && "$wine" msh_windows_harness.exe 2>&1)
status=$?
printf '%s\n' "$output" | grep -v -E "$wine_noise"
summary=$(printf '%s\n' "$output" | grep -E '^windows harness:' | tail -n1)
[ -n "$summary" ] || fail "the harness printed no summary (exit code $status)"
[ $status -eq 0 ] || fail "$summary (exit code $status)"
say "PASSED: $summary; exports, imports and resources of both DLLs as required"
