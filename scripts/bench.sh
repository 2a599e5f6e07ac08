#!/usr/bin/env bash
# Runs every benchmark that is built in BUILD (default build/bench), prints one table and writes
# it with the machine's description to bench/RESULTS.md.
# Usage: scripts/bench.sh [BUILD]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build/bench}" && pwd)
bin="$build/bin"
inputs="$build/bench-inputs"   # generated model files: under the build folder, never in git
run="$build/bench-run"         # this run's raw outputs
repeats=3                      # runs of each whole process; the table takes the median

rm -rf "$run"
mkdir -p "$inputs" "$run"
say() { echo "bench: $*" >&2; }

say "writing the ~100 MB model files into $inputs"
"$bin/bench-inputs" "$inputs" 100 >"$run/inputs.txt"

# Google Benchmark binaries: repetitions interleaved at random so that a burst of load on this
# shared machine hits the row and its baseline alike; the table takes the medians.
run_benchmark() {
  local name=$1 repetitions=$2
  if [ ! -x "$bin/$name" ]; then
    say "$name is not built (its stage is missing); its rows are skipped"
    return 0
  fi
  say "running $name"
  if ! "$bin/$name" --inputs="$inputs" --benchmark_repetitions="$repetitions" \
      --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
      --benchmark_out="$run/$name.json" --benchmark_out_format=json >"$run/$name.log" 2>&1; then
    say "$name failed; see $run/$name.log"
  fi
}

run_benchmark bench-read-write 5
run_benchmark bench-weld 5
run_benchmark bench-import-export 3

# Whole processes: wall time, CPU time (user + system) and peak resident memory from
# /usr/bin/time, one line per run.
measure() {
  local label=$1
  shift
  local out="$run/time.out"
  if ! /usr/bin/time -f "%e %U %S %M" -o "$out" "$@" >"$run/$label.stdout" \
      2>"$run/$label.stderr"; then
    say "$label failed: $(grep -v '^Command' "$run/$label.stderr" | tail -n 2 | tr '\n' ' ')"
    echo "$(grep -v '^Command' "$run/$label.stderr" | tail -n 1)" >"$run/$label.failed"
    return 1
  fi
  local wall user sys peak_kb
  read -r wall user sys peak_kb <"$out"
  printf '%s\t%s\t%s\t%s\n' "$label" "$wall" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$peak_kb" \
    >>"$run/processes.tsv"
}

measure_repeatedly() {
  local i
  for ((i = 0; i < repeats; i++)); do
    measure "$@" || return 1
  done
}

have_assimp=yes
if [ ! -x "$bin/bench-assimp-read" ] || ! command -v assimp >/dev/null 2>&1; then
  have_assimp=
  echo "assimp not found (libassimp-dev and assimp-utils; scripts/install-deps.sh bench)" \
    >"$run/assimp-skipped.txt"
  say "$(cat "$run/assimp-skipped.txt"): the assimp rows are skipped"
fi

for layout in legacy mesh8; do
  if [ -x "$bin/bench-import-once" ]; then
    say "whole import of BN + $layout MSH in a fresh process, $repeats times"
    if measure_repeatedly "import-$layout" "$bin/bench-import-once" "$inputs/models.bn" \
        "$inputs/$layout.msh"; then
      cp "$run/import-$layout.stdout" "$run/import-$layout.json"
    fi
  fi
  glb="$run/$layout.glb"
  if [ -x "$bin/mshtool" ] && "$bin/mshtool" to-gltf --help >/dev/null 2>&1; then
    say "mshtool to-gltf of BN + $layout MSH, $repeats times"
    measure_repeatedly "to-gltf-$layout" "$bin/mshtool" to-gltf "$inputs/$layout.msh" \
      --bones "$inputs/models.bn" -o "$glb" || rm -f "$glb"
  else
    say "mshtool to-gltf is not built; its rows are skipped"
  fi
  if [ -f "$glb" ] && [ -x "$bin/bench-io-floor" ]; then
    say "the floor of to-gltf: reading BN + $layout MSH and writing as many bytes as its .glb, $repeats times"
    measure_repeatedly "io-floor-$layout" "$bin/bench-io-floor" "$run/$layout-floor.bin" "$glb" \
      "$inputs/$layout.msh" "$inputs/models.bn" || true
  fi
  if [ -f "$glb" ]; then
    say "mshtool from-gltf of that .glb, $repeats times"
    mesh8_flag=()
    [ "$layout" = mesh8 ] && mesh8_flag=(--mesh8)
    measure_repeatedly "from-gltf-$layout" "$bin/mshtool" from-gltf "$glb" \
      -o "$run/$layout-back/$layout.msh" --bones "${mesh8_flag[@]}" || true
  fi
  if [ -n "$have_assimp" ] && [ -f "$glb" ]; then
    say "assimp reading and exporting the $layout .glb, $repeats times each"
    measure_repeatedly "assimp-read-$layout" "$bin/bench-assimp-read" "$glb" || true
    measure_repeatedly "assimp-export-$layout" assimp export "$glb" "$run/$layout-assimp.glb" \
      -fglb2 || true
  fi
done

# Batches: one to-gltf of many files with -j <cores> against -j 1, the two runs interleaved so
# that load from other work falls on both alike; wall time is what -j buys. The outputs of the
# two must be the same bytes.
cores=$(nproc)
batch_rows() {
  local name=$1
  shift
  local i
  say "to-gltf of the $name batch with -j 1 and -j $cores, $repeats times each"
  for ((i = 0; i < repeats; i++)); do
    measure "$name-j1" "$bin/mshtool" to-gltf -j 1 -o "$run/$name-j1" "$@" || return 0
    measure "$name-jN" "$bin/mshtool" to-gltf -j "$cores" -o "$run/$name-jN" "$@" || return 0
  done
  if diff -r "$run/$name-j1" "$run/$name-jN" >/dev/null; then
    echo "same $(ls "$run/$name-j1" | wc -l) $cores" >"$run/$name.batch"
  else
    echo "different $(ls "$run/$name-j1" | wc -l) $cores" >"$run/$name.batch"
  fi
}
if [ -x "$bin/mshtool" ] && "$bin/mshtool" to-gltf --help 2>/dev/null | grep -q -- --jobs; then
  rm -rf "$inputs/batch-4mb" "$inputs/batch-sample"
  mkdir -p "$inputs/batch-4mb/made" "$inputs/batch-sample/made"
  "$bin/bench-inputs" "$inputs/batch-4mb/made" 4 >/dev/null
  for i in $(seq -w 1 24); do
    cp "$inputs/batch-4mb/made/legacy.msh" "$inputs/batch-4mb/model$i.msh"
  done
  cp "$inputs/batch-4mb/made/body.png" "$inputs/batch-4mb/"
  "$bin/make-sample" "$inputs/batch-sample/made" >/dev/null
  cp "$inputs/batch-sample/made/hero.png" "$inputs/batch-sample/"
  for i in $(seq -w 1 200); do
    cp "$inputs/batch-sample/made/hero.msh" "$inputs/batch-sample/hero$i.msh"
    cp "$inputs/batch-sample/made/hero.bn" "$inputs/batch-sample/hero$i.bn"
  done
  batch_rows batch-4mb --bones "$inputs/batch-4mb/made/models.bn" \
    "$inputs"/batch-4mb/model*.msh
  batch_rows batch-sample "$inputs"/batch-sample/hero*.msh
else
  say "mshtool has no -j; the batch rows are skipped"
fi

{
  echo "- CPU: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), $(nproc) cores available"
  echo "- Memory: $(free -m | awk '/^Mem:/ {printf "%.1f GiB", $2 / 1024}')"
  echo "- System: $(uname -sr), $(. /etc/os-release && echo "$PRETTY_NAME")"
  echo "- Compiler: $(c++ --version | head -n 1), Release, $(sed -n "s/^CMAKE_CXX_FLAGS_RELEASE:[A-Z]*=//p" "$build/CMakeCache.txt"), no sanitizers"
  echo "- Google Benchmark $(dpkg-query -W -f='${Version}' libbenchmark-dev 2>/dev/null || echo '?'), assimp $(dpkg-query -W -f='${Version}' libassimp-dev 2>/dev/null || echo 'absent')"
  echo "- Inputs: $(sed 's/^.*\///' "$run/inputs.txt" | awk '{printf "%s%s (%s objects)", sep, $1, $2; sep=", "}'), $(du -b "$inputs/models.bn" | cut -f1) bytes of bones in models.bn; load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
} >"$run/machine.md"

python3 "$root/bench/results_table.py" "$run" "$run/machine.md" "$root/bench/NOTES.md" \
  "$root/bench/RESULTS.md"
say "table written to bench/RESULTS.md; raw outputs in $run"
