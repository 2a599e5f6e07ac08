#!/usr/bin/env bash
# The plug-ins compiled and linked against real 3ds Max SDK copies through the host/ layer
# (-DMSH_REAL_SDK), with the checks of SDK_CHECK_DIR (check.sh and lib/sdk/run.sh):
#   2018 and 2024 (headers and import libraries): every plug-in source compiles, both libraries
#     link with nothing of the SDK unresolved, the six exports have C linkage, LibVersion gives
#     that SDK's VERSION_3DSMAX (check.sh);
#   2026 (headers only): every plug-in source syntax-checks as C++17 (run.sh).
# The copies are looked for under ${TMPDIR:-/tmp}/sdkcheck (plugin/README.md says how to make
# them); without any, or without the checks, this says so and succeeds. Run from anywhere.
# Usage: tools/sdk-check.sh
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
checks="${SDK_CHECK_DIR:-/work/shared/sdk-check}"
work="${TMPDIR:-/tmp}/sdkcheck"
sdk2018="$work/sdk2018/Jetman/Source/Stable/sdk/maxsdk"
sdk2024="$work/sdk2024/ThirdParty/maxsdk"
sdk2026="$work/sdk2026/3dsmaxtrain/include"

skip() {
  echo "sdk-check: skipped: $1"
  exit 0
}
[ -x "$checks/check.sh" ] && [ -f "$checks/lib/sdk/run.sh" ] \
  || skip "no SDK checks at $checks (set SDK_CHECK_DIR to the folder holding check.sh)"
has_libs() { [ -f "$1/include/max.h" ] && [ -d "$1/lib/x64/Release" ]; }
has_libs "$sdk2018" || has_libs "$sdk2024" || [ -f "$sdk2026/max.h" ] \
  || skip "no SDK copy under $work (plugin/README.md, \"Checks against real SDK copies\")"

# The checks write into TMPDIR/sdkcheck and clear their folders first, so two checkouts run at
# once would spoil each other's results: each checkout gets a scratch folder of its own, with
# links to the SDK copies laid out as the checks expect them.
scratch="$work/run-$(printf '%s' "$root" | md5sum | cut -c1-10)"
rm -rf "$scratch"
mkdir -p "$scratch/sdkcheck"
for year in 2015 2018 2024 2026; do
  [ -d "$work/sdk$year" ] && ln -s "$work/sdk$year" "$scratch/sdkcheck/sdk$year"
done
export TMPDIR="$scratch"

# What the compiled LibVersion returns for that year (check.sh has compared it with the SDK's
# VERSION_3DSMAX): "; LibVersion 0x... (release R, API A)".
lib_version() {
  local obj="$scratch/sdkcheck/s2/$1/obj/plugin_LibraryEntry.obj" hex
  hex=$(llvm-objdump-14 -d --no-show-raw-insn "$obj" 2>/dev/null \
        | awk '/<LibVersion>:/ { getline; if (match($0, /imm = 0x[0-9A-Fa-f]+/)) print substr($0, RSTART + 6, RLENGTH - 6); exit }')
  [ -n "$hex" ] && printf '; LibVersion %s (release %d, API %d)' "$hex" $((hex >> 16 & 0xffff)) $((hex >> 8 & 0xff))
}

cd "$root" || exit 1
status=0
summary=()
if has_libs "$sdk2018"; then
  # check.sh needs 2018 and adds 2024 (and 2015) when present; its last line holds the figures.
  out=$("$checks/check.sh" 2>&1)
  [ $? -eq 0 ] || status=1
  printf '%s\n' "$out" | sed '$d'
  figures=$(printf '%s\n' "$out" | tail -n 1 | sed -E 's/^sdk-check: //; s/ \([^()]*project mapping\)$//')
  while IFS= read -r line; do
    summary+=("$line$(lib_version "${line%% *}")")
  done < <(printf '%s\n' "$figures" | sed -E 's/; ([0-9]{4} SDK:)/\n\1/g')
else
  summary+=("2018 SDK: absent, so no link check (check.sh needs it); 2024 not checked either")
  status=1
fi
if [ -f "$sdk2026/max.h" ]; then
  log="$scratch/sdk2026.syntax.log"
  MAPPING=project CXXSTD=c++17 bash "$checks/lib/sdk/run.sh" "$sdk2026" "$root" \
    "$scratch/sdkcheck/s2/2026" >"$log" 2>&1
  grep -E '^FAIL|^        ' "$log" | sed 's/^/2026 /' | head -n 40
  last=$(tail -n 1 "$log")
  n=$(echo "$last" | awk '{print $1}')
  m=$(echo "$last" | awk '{print $3}')
  [ -n "$n" ] && [ "$n" = "$m" ] || status=1
  summary+=("2026 SDK: $n of $m sources compile (headers only: no libraries to link; log $log)")
fi
echo
echo "sdk-check: logs and objects in $scratch/sdkcheck"
for line in "${summary[@]}"; do
  echo "sdk-check: $line"
done
[ $status -eq 0 ] && echo "sdk-check: passed" || echo "sdk-check: FAILED"
exit $status
