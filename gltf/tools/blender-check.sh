#!/usr/bin/env bash
# Converts the sample model with mshtool and imports the glTF into Blender (headless) to check
# object names, world vertex positions, armature bones and vertex-group weights; then has
# Blender export what it imported and checks that every triangle is still drawn in place, in
# Blender's file and in the MSH file converted back from it.
# Usage: blender-check.sh MSHTOOL MAKE_SAMPLE WORKDIR
# Exit: 0 passed, 1 failed, 77 skipped (Blender is not installed).
set -euo pipefail
tool="$1"
make_sample="$2"
work="$3"
here="$(cd "$(dirname "$0")" && pwd)"
if ! command -v blender >/dev/null 2>&1; then
  echo "blender-check: skipped: blender is not installed (scripts/install-deps.sh gltf-tools)"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work"
"$make_sample" "$work/sample" >/dev/null
status=0
for layout in hero hero_mesh8; do
  "$tool" to-gltf "$work/sample/$layout.msh" --bones "$work/sample/hero.bn" -o "$work/$layout.glb" >/dev/null
  # The Mesh8 model is checked against the legacy records of the same scene.
  echo "blender-check: $layout.glb"
  if ! blender -b --factory-startup --python-exit-code 3 --python "$here/blender_check.py" -- \
      "$work/$layout.glb" "$work/sample/hero.msh" "$work/sample/hero.bn" \
      >"$work/$layout.log" 2>&1; then
    status=1
  fi
  grep '^blender-check:' "$work/$layout.log" || true
  if [ $status -ne 0 ]; then
    echo "blender-check: Blender's output is in $work/$layout.log"
    break
  fi
done
if [ $status -eq 0 ]; then
  # Blender builds its rest pose from the inverse bind matrices: its own export of what it
  # imported must draw every triangle where ours does.
  for layout in hero hero_mesh8; do
    echo "blender-check: Blender's import and re-export of $layout.glb"
    if ! blender -b --factory-startup --python-exit-code 3 --python "$here/blender_reexport.py" -- \
        "$work/$layout.glb" "$work/blender_$layout.glb" >"$work/reexport_$layout.log" 2>&1; then
      echo "blender-check: FAIL Blender's re-export (see $work/reexport_$layout.log)"
      status=1
    elif ! python3 "$here/drawn_triangles.py" "$work/$layout.glb" "$work/blender_$layout.glb"; then
      status=1
    fi
  done
fi
if [ $status -eq 0 ]; then
  # Blender's files with a turned armature, at rest and posed: from-gltf must find the bind
  # pose in both, set the three posed joints back to it, and leave every triangle in place.
  echo "blender-check: Blender's export of hero.glb with its armature turned, at rest and posed"
  if blender -b --factory-startup --python-exit-code 3 --python "$here/blender_pose.py" -- \
       "$work/hero.glb" "$work/turned.glb" "$work/posed.glb" >"$work/pose.log" 2>&1 &&
     "$tool" from-gltf "$work/turned.glb" -o "$work/turned/hero.msh" --bones &&
     python3 "$here/drawn_triangles.py" "$work/turned.glb" "$work/turned/hero.msh" &&
     "$tool" from-gltf "$work/posed.glb" -o "$work/posed/hero.msh" --bones 2>"$work/posed.err" &&
     grep -q "3 joint(s) were posed away" "$work/posed.err" &&
     python3 "$here/drawn_triangles.py" "$work/turned.glb" "$work/posed/hero.msh"; then
    echo "blender-check: turned and posed files in place"
  else
    echo "blender-check: FAIL turned or posed file (see $work/pose.log, $work/posed.err)"
    status=1
  fi
fi
if [ $status -eq 0 ]; then
  # A file written by Blender itself, back into the model files, every triangle in place.
  echo "blender-check: Blender's own export of hero.glb back to MSH"
  if "$tool" from-gltf "$work/blender_hero.glb" -o "$work/back/hero.msh" --bones &&
     "$tool" check "$work/back/hero.msh" --bones "$work/back/hero.bn" &&
     python3 "$here/drawn_triangles.py" "$work/sample/hero.msh" "$work/back/hero.msh"; then
    echo "blender-check: ok"
  else
    echo "blender-check: FAIL converting Blender's export back to MSH"
    status=1
  fi
fi
exit $status
