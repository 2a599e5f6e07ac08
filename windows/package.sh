#!/usr/bin/env bash
# Cross-builds mshtool.exe, the two plug-in DLLs and maxhost.dll (windows/build.sh) and packs
# them with the README into ZIP, as one folder mshtool-windows-x64/ that runs where it is
# unpacked: mshtool.exe finds the plug-ins beside itself.
# Usage: windows/package.sh BUILD_DIR ZIP
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: package.sh BUILD_DIR ZIP}"
zip="${2:?usage: package.sh BUILD_DIR ZIP}"

say() { echo "windows package: $*"; }
fail() { say "FAILED: $*"; exit 1; }

"$root/windows/build.sh" "$build" || fail "the Windows build failed"
build="$(cd "$build" && pwd)"
mkdir -p "$(dirname "$zip")"
zip="$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")"

staging="$build/package"
folder="$staging/mshtool-windows-x64"
rm -rf "$staging"
mkdir -p "$folder"
for name in mshtool.exe maxhost.dll Talvex_MSH_IMPORT_15.dli Talvex_MSH_EXPORT_15.dle; do
  cp "$build/bin/$name" "$folder/" || fail "cannot copy $name"
done
cp "$root/README.md" "$folder/" || fail "cannot copy README.md"
rm -f "$zip"
(cd "$staging" && cmake -E tar cf "$zip" --format=zip mshtool-windows-x64) ||
  fail "cannot write $zip"
say "$zip: $(cd "$staging" && find mshtool-windows-x64 -type f | sort | tr '\n' ' ')"
