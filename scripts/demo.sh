#!/usr/bin/env bash
# The main job on the shipped sample: inspect it, check it, and convert it to glTF.
set -euo pipefail
build="${1:-build/release}"
tool="$build/bin/mshtool"
cd "$(dirname "$0")/.."
out="$build/demo"
mkdir -p "$out"

run() { echo; echo "\$ mshtool $*"; "$tool" "$@"; }

run --version
run info samples/hero.msh samples/hero.bn samples/hero_mesh8.msh samples/hero.BBX
run check samples/
run to-gltf samples/hero.msh -o "$out/hero.glb"
echo
echo "demo: mshtool is $tool (make install PREFIX=DIR puts it in DIR/bin);"
echo "demo: the glTF model is at $out/hero.glb"
