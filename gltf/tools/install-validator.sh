#!/usr/bin/env bash
# Installs the Khronos glTF Validator (npm package gltf-validator) under DIR, once.
# Usage: gltf/tools/install-validator.sh DIR
set -euo pipefail
dir="${1:?usage: install-validator.sh DIR}"
if [ -f "$dir/node_modules/gltf-validator/package.json" ]; then
  exit 0
fi
if ! command -v npm >/dev/null 2>&1; then
  echo "install-validator: npm is missing (scripts/install-deps.sh gltf-tools installs it)" >&2
  exit 1
fi
mkdir -p "$dir"
npm install --silent --no-audit --no-fund --prefix "$dir" gltf-validator >/dev/null
echo "install-validator: gltf-validator installed under $dir"
