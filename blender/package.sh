#!/usr/bin/env bash
# Packs the Blender add-on into ZIP, installable with Blender's "Install add-on": the folder
# io_scene_talvex_msh/ with its Python files and mshtool for Linux x64 (the relocatable tree
# of `make install`, from BUILD/release) and Windows x64 (from `make windows`, BUILD/windows).
# The add-on picks one at run time.
# Usage: blender/package.sh BUILD_DIR ZIP
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: package.sh BUILD_DIR ZIP}"
zip="${2:?usage: package.sh BUILD_DIR ZIP}"

say() { echo "blender add-on: $*"; }
fail() { say "FAILED: $*"; exit 1; }

build="$(cd "$build" && pwd)" || fail "no build folder $1"
mkdir -p "$(dirname "$zip")"
zip="$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")"
staging="$build/blender-addon"
addon="$staging/io_scene_talvex_msh"
rm -rf "$staging"
mkdir -p "$addon/mshtool/windows-x64"
cp "$root"/blender/io_scene_talvex_msh/*.py "$root/blender/io_scene_talvex_msh/blender_manifest.toml" \
   "$addon/" || fail "cannot copy the add-on's files"
cmake --install "$build/release" --prefix "$addon/mshtool/linux-x64" >/dev/null ||
  fail "cannot install the Linux mshtool from $build/release"
for name in mshtool.exe maxhost.dll Talvex_MSH_IMPORT_15.dli Talvex_MSH_EXPORT_15.dle; do
  cp "$build/windows/bin/$name" "$addon/mshtool/windows-x64/" || fail "cannot copy $name"
done
rm -f "$zip"
(cd "$staging" && cmake -E tar cf "$zip" --format=zip io_scene_talvex_msh) ||
  fail "cannot write $zip"
say "$zip: $(cd "$staging" && find io_scene_talvex_msh -type f | sort | tr '\n' ' ')"
