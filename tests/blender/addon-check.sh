#!/usr/bin/env bash
# Installs the Blender add-on into a temporary user scripts folder and runs addon_check.py in
# one headless Blender against this build's mshtool.
# Usage: addon-check.sh ADDON_DIR MSHTOOL MAKE_SAMPLE MODEL_RECORDS WORKDIR
# Exit: 0 passed, 1 failed, 77 skipped (Blender is not installed).
set -euo pipefail
addon="$1"
tool="$2"
make_sample="$3"
records="$4"
work="$5"
here="$(cd "$(dirname "$0")" && pwd)"
if ! command -v blender >/dev/null 2>&1; then
  echo "addon-check: skipped: blender is not installed (scripts/install-deps.sh gltf-tools)"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work/scripts/addons"
cp -r "$addon/io_scene_talvex_msh" "$work/scripts/addons/"
"$make_sample" "$work/sample" >/dev/null
status=0
BLENDER_USER_SCRIPTS="$work/scripts" blender -b --factory-startup --python-exit-code 3 \
  --python "$here/addon_check.py" -- "$tool" "$records" "$work/sample" "$work" \
  >"$work/blender.log" 2>&1 || status=1
grep -E '^addon-check:|^(Info|Warning|Error): ' "$work/blender.log" || true
if [ $status -ne 0 ]; then
  echo "addon-check: FAIL (Blender's output is in $work/blender.log)"
fi
exit $status
