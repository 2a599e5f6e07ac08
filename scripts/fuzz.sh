#!/usr/bin/env bash
# Builds the libFuzzer targets in a clang tree of their own and runs each for a set time over
# its committed corpus and fresh mutations. Fails on any crash, leak, sanitizer report or
# timeout, and names the input that caused it.
#
#   scripts/fuzz.sh BUILD_DIR [SECONDS] [TARGET...]   SECONDS defaults to $FUZZ_SECONDS or 60
#   scripts/fuzz.sh --check-corpus MAKE_CORPUS_PROGRAM  the committed seeds are what the
#                                                       writers make today
# Per-input time limit: $FUZZ_TIMEOUT seconds (default 1). With $FUZZ_RUNS set, each target
# runs that many inputs instead of for SECONDS (a campaign: fuzz/RESULTS.md). A crash input is
# left in BUILD_DIR/work/TARGET/artifacts/; copy it to fuzz/regressions/TARGET/ with the fix.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

seeded_targets=(fuzz_legacy_record fuzz_mesh8_record fuzz_import_msh fuzz_import_bn fuzz_structured)

check_corpus() {
  local maker="$1" fresh status=0
  fresh="$(mktemp -d)"
  trap 'rm -rf "$fresh"' RETURN
  "$maker" "$fresh/seeds" >/dev/null
  for target in "${seeded_targets[@]}"; do
    for seed in "$fresh"/seeds/*; do
      local committed="$root/fuzz/corpus/$target/$(basename "$seed")"
      if ! cmp -s "$seed" "$committed"; then
        echo "fuzz corpus: $committed is missing or differs from what the writers make now"
        status=1
      fi
    done
  done
  [ $status -eq 0 ] && echo "fuzz corpus: every seed of ${#seeded_targets[@]} targets is current" \
    || echo "fuzz corpus: regenerate with: make-fuzz-corpus $root/fuzz/corpus/<target>"
  return $status
}

if [ "${1:-}" = "--check-corpus" ]; then
  check_corpus "$2"
  exit $?
fi

build="${1:?usage: scripts/fuzz.sh BUILD_DIR [SECONDS] [TARGET...]}"
seconds="${2:-${FUZZ_SECONDS:-60}}"
shift $(( $# >= 2 ? 2 : 1 ))
timeout_per_input="${FUZZ_TIMEOUT:-1}"
jobs="${JOBS:-2}"
if [ -n "${FUZZ_RUNS:-}" ]; then
  limit=(-runs="$FUZZ_RUNS")
  guard=$((7 * 24 * 3600))
else
  limit=(-max_total_time="$seconds")
  guard=$((seconds + 300))
fi

echo "fuzz: configuring the clang tree in $build"
# The logs live in the tree, which a fresh clone does not have yet.
mkdir -p "$build"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-O1 -fsanitize=fuzzer-no-link" -DCMAKE_C_FLAGS="-O1" \
  -DMSH_SANITIZE=ON -DMSH_WERROR=OFF -DMSH_BUILD_FUZZ=ON -DMSH_BUILD_TESTS=OFF \
  -DMSH_BUILD_CLI=ON >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }

if [ $# -gt 0 ]; then targets=("$@"); else mapfile -t targets < <(grep -v '^$' "$build/fuzz-targets.txt"); fi
echo "fuzz: building ${targets[*]}"
cmake --build "$build" -j "$jobs" --target "${targets[@]}" >"$build/build.log" 2>&1 \
  || { tail -n 60 "$build/build.log"; exit 1; }

failed=0
summary=()
for target in "${targets[@]}"; do
  work="$build/work/$target"
  mkdir -p "$work/corpus" "$work/artifacts"
  dict="$root/fuzz/$target.dict"
  dict_flag=(); [ -f "$dict" ] && dict_flag=(-dict="$dict")
  inputs=("$work/corpus")
  for dir in "$root/fuzz/corpus/$target" "$root/fuzz/regressions/$target"; do
    [ -d "$dir" ] && inputs+=("$dir")
  done
  log="$work/fuzz.log"
  echo "fuzz: $target for ${limit[0]#-}"
  started=$SECONDS
  set +e
  # The outer timeout only guards against a run that libFuzzer itself cannot stop.
  ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  timeout "$guard" "$build/bin/$target" "${limit[@]}" \
    -timeout="$timeout_per_input" -rss_limit_mb=2048 -malloc_limit_mb=64 -max_len=1048576 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/" "${dict_flag[@]}" \
    "${inputs[@]}" >"$log" 2>&1
  rc=$?
  set -e
  elapsed=$((SECONDS - started))
  runs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*' "$log" | tail -n 1 || true)
  rss=$(grep -oE 'stat::peak_rss_mb: +[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
  counters=$(grep -oE 'Loaded [0-9]+ modules +\([0-9]+ inline 8-bit counters' "$log" | head -n 1 \
             | grep -oE '[0-9]+ inline' | grep -oE '[0-9]+' || echo "?")
  units=$(find "$work/corpus" -type f | wc -l)
  line="$target: $runs runs in ${elapsed}s, $cov (of $counters edges), $units new units, peak rss ${rss} MB"
  if [ $rc -ne 0 ] || grep -qE '^(==[0-9]+==ERROR|SUMMARY: |.*runtime error:)' "$log"; then
    failed=1
    summary+=("FAILED $line (exit $rc)")
    echo "fuzz: $target FAILED (exit $rc); the end of its log:"
    tail -n 40 "$log"
    ls "$work/artifacts" | sed "s|^|fuzz: failing input: $work/artifacts/|"
  else
    summary+=("ok     $line")
  fi
done

echo "fuzz: summary"
printf '  %s\n' "${summary[@]}"
exit $failed
