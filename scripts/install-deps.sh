#!/usr/bin/env bash
# Installs the Debian packages the build and tests need, when they are missing, and says which.
# Usage: scripts/install-deps.sh [base|windows|gltf-tools|bench|sdk-check|all]...
set -euo pipefail

base_pkgs=(cmake ninja-build g++ libgtest-dev libgmock-dev libcli11-dev libtinygltf-dev
           nlohmann-json3-dev clang-14 libclang-rt-14-dev clang-format-14)
windows_pkgs=(mingw-w64 wine64 libstb-dev)
# Blender (with numpy for its glTF add-on) checks that converted models import cleanly; it
# installs in about a minute and a half here. assimp's `export` must take every glTF written.
gltf_tool_pkgs=(nodejs npm blender python3-numpy assimp-utils)
bench_pkgs=(libbenchmark-dev libassimp-dev assimp-utils)
# `make sdk-check`: clang in MSVC mode over MinGW-w64's headers, lld-link and the llvm tools.
sdk_check_pkgs=(clang-14 lld-14 llvm-14 mingw-w64 g++-mingw-w64-x86-64 python3)

wanted=()
for group in "${@:-base}"; do
  case "$group" in
    base) wanted+=("${base_pkgs[@]}") ;;
    windows) wanted+=("${windows_pkgs[@]}") ;;
    gltf-tools) wanted+=("${gltf_tool_pkgs[@]}") ;;
    bench) wanted+=("${bench_pkgs[@]}") ;;
    sdk-check) wanted+=("${sdk_check_pkgs[@]}") ;;
    all) wanted+=("${base_pkgs[@]}" "${windows_pkgs[@]}" "${gltf_tool_pkgs[@]}" "${bench_pkgs[@]}"
                  "${sdk_check_pkgs[@]}") ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for pkg in "${wanted[@]}"; do
  # nodejs may come from another repository with npm bundled; a working npm is enough.
  if [ "$pkg" = npm ] && command -v npm >/dev/null 2>&1; then continue; fi
  if [ "$pkg" = nodejs ] && command -v node >/dev/null 2>&1; then continue; fi
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: need root to install ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "install-deps: done"
