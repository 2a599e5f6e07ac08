#!/usr/bin/env bash
# The installed tree works wherever it is moved: installs BUILD_DIR into a fresh prefix, checks
# the layout and that every run path is relative, moves the tree, and converts the sample with
# the moved mshtool, which must load its plug-ins and host library from the moved tree.
# Usage: installed-tree.sh BUILD_DIR SAMPLES_DIR
set -u
build="${1:?usage: installed-tree.sh BUILD_DIR SAMPLES_DIR}"
samples="${2:?usage: installed-tree.sh BUILD_DIR SAMPLES_DIR}"
fail() { echo "installed tree: FAILED: $*"; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/msh-install.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/first" >/dev/null || fail "cmake --install failed"

expected="bin/mshtool lib/mshtool/Talvex_MSH_EXPORT_15.dle lib/mshtool/Talvex_MSH_IMPORT_15.dli lib/mshtool/libmaxhost.so"
files=$(cd "$work/first" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$files" = "$expected " ] || fail "installed [$files], expected [$expected ]"
runpath() { readelf -d "$1" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p'; }
[ "$(runpath "$work/first/bin/mshtool")" = '$ORIGIN/../lib/mshtool' ] ||
  fail "bin/mshtool has the run path [$(runpath "$work/first/bin/mshtool")]"
for lib in "$work"/first/lib/mshtool/*; do
  [ "$(runpath "$lib")" = '$ORIGIN' ] || fail "$(basename "$lib") has the run path [$(runpath "$lib")]"
done

mv "$work/first" "$work/moved"
tool="$work/moved/bin/mshtool"
host=$(ldd "$tool" | awk '/libmaxhost.so/ {print $3}')
[ "$(realpath "$host" 2>/dev/null)" = "$work/moved/lib/mshtool/libmaxhost.so" ] ||
  fail "the moved mshtool does not take its host library from the moved tree: [$host]"
version=$("$tool" --version) || fail "mshtool --version failed: $version"
for module in Talvex_MSH_IMPORT_15.dli Talvex_MSH_EXPORT_15.dle; do
  grep -q ", $work/moved/lib/mshtool/$module\$" <<<"$version" ||
    fail "the moved mshtool did not load $module from the moved tree: $version"
done
"$tool" to-gltf "$samples/hero.msh" -o "$work/out/hero.glb" >/dev/null || fail "to-gltf failed"
"$tool" from-gltf "$work/out/hero.glb" -o "$work/out/hero.msh" --export-bones >/dev/null ||
  fail "from-gltf failed"
"$tool" check "$work/out/hero.msh" "$work/out/hero.BBX" >/dev/null || fail "check failed"
echo "installed tree: PASSED: $expected; run paths relative; the moved tree converts the sample"
