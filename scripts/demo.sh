#!/usr/bin/env bash
# The main job on the shipped sample: inspect it, check it, and convert it to glTF.
set -euo pipefail
build="${1:-build/release}"
tool="$build/bin/mshtool"
cd "$(dirname "$0")/.."
out="$build/demo"
mkdir -p "$out"

run() { echo; echo "\$ mshtool $*"; "$tool" "$@"; }

run info samples/hero.msh samples/hero.bn samples/hero_mesh8.msh
if "$tool" check --help >/dev/null 2>&1; then
  run check samples/hero.msh samples/hero_mesh8.msh --bones samples/hero.bn
fi
if "$tool" to-gltf --help >/dev/null 2>&1; then
  run to-gltf samples/hero.msh --bones samples/hero.bn -o "$out/hero.glb"
  echo
  echo "demo: the glTF model is at $out/hero.glb"
fi
