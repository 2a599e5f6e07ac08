#!/usr/bin/env bash
# The Windows package against the Linux build: packs mshtool-windows-x64.zip (package.sh),
# unpacks it, and runs mshtool.exe info, check, to-gltf and from-gltf on the sample under
# wine64 and the Linux mshtool on a copy of the same files. Every output file and every line
# printed must be byte-identical. Exits 0 only when they are.
# Usage: windows/run-mshtool-check.sh BUILD_DIR LINUX_MSHTOOL SAMPLES_DIR
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: run-mshtool-check.sh BUILD_DIR LINUX_MSHTOOL SAMPLES_DIR}"
linux_tool="${2:?usage: run-mshtool-check.sh BUILD_DIR LINUX_MSHTOOL SAMPLES_DIR}"
samples="${3:?usage: run-mshtool-check.sh BUILD_DIR LINUX_MSHTOOL SAMPLES_DIR}"

say() { echo "mshtool.exe check: $*"; }
fail() { say "FAILED: $*"; exit 1; }

"$root/windows/package.sh" "$build" "$build/mshtool-windows-x64.zip" || fail "packaging failed"
build="$(cd "$build" && pwd)"
linux_tool="$(cd "$(dirname "$linux_tool")" && pwd)/$(basename "$linux_tool")"
samples="$(cd "$samples" && pwd)"
source "$root/windows/wine-env.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/msh-exe-check.XXXXXX")"
trap 'wine_cleanup; rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$build/mshtool-windows-x64.zip") || fail "cannot unpack the zip"
exe="$work/mshtool-windows-x64/mshtool.exe"
for side in linux windows; do
  mkdir -p "$work/$side"
  cp "$samples"/hero.msh "$samples"/hero.bn "$samples"/hero.BBX "$samples"/hero_mesh8.msh \
     "$samples"/hero.png "$work/$side/"
done

# run SIDE ARGS...: one mshtool run in SIDE's folder, its stdout, stderr and exit code kept.
step=0
run() {
  local side="$1"
  shift
  step=$((step + 1))
  if [ "$side" = linux ]; then
    (cd "$work/linux" && "$linux_tool" "$@" >"../linux.$step.out" 2>"../linux.$step.err")
  else
    (cd "$work/windows" && "$wine" "$exe" "$@" >"../windows.$step.out" 2>"../windows.$step.err.raw")
  fi
  echo $? >"$work/$side.$step.code"
  [ "$side" = linux ] || grep -v -E "$wine_noise" "$work/windows.$step.err.raw" >"$work/windows.$step.err"
}

commands=(
  "info hero.msh hero.bn hero_mesh8.msh hero.BBX"
  "check hero.msh hero.bn hero_mesh8.msh hero.BBX hero.png"
  "to-gltf hero.msh -o out/hero.glb"
  "to-gltf hero_mesh8.msh --bones hero.bn -o out/hero8.gltf"
  "from-gltf out/hero.glb -o back/hero.msh --export-bones"
  "from-gltf out/hero8.gltf -o back/hero8.msh --export-bones --mesh8"
)
for side in linux windows; do
  step=0
  for command in "${commands[@]}"; do
    # shellcheck disable=SC2086
    run "$side" $command
  done
done

status=0
for ((i = 1; i <= ${#commands[@]}; i++)); do
  for part in out err code; do
    if ! cmp -s "$work/linux.$i.$part" "$work/windows.$i.$part"; then
      say "mshtool ${commands[$((i - 1))]}: the ${part} differs"
      diff "$work/linux.$i.$part" "$work/windows.$i.$part" | head -n 20
      status=1
    fi
  done
  [ "$(cat "$work/linux.$i.code")" = 0 ] || { say "mshtool ${commands[$((i - 1))]} failed on Linux"; status=1; }
done
files=$(cd "$work/linux" && find . -type f | sort)
[ "$files" = "$(cd "$work/windows" && find . -type f | sort)" ] ||
  { say "the two runs wrote different sets of files"; status=1; }
for file in $files; do
  cmp -s "$work/linux/$file" "$work/windows/$file" || { say "$file differs"; status=1; }
done
[ $status -eq 0 ] || fail "mshtool.exe and the Linux mshtool do not agree"
say "PASSED: ${#commands[@]} commands, $(echo "$files" | wc -l) files byte-identical to the Linux build's"
