#!/usr/bin/env bash
# Checks the real-SDK branch of the host/ headers against their in-memory branch. A plug-in
# source must see the same names in both builds, so with MSH_REAL_SDK each host/ header must
# include the SDK headers that declare what it declares itself (its row below) and what every
# host/ header its in-memory branch reaches declares, exactly those, and declare nothing of its
# own. What the in-memory branch reaches is read from the preprocessor, so a host/ include
# added there widens what the real branch must forward without this file changing.
# Compiled against stub SDK headers made here (files with the SDK's names and nothing in them).
# Usage: tools/check-sdk-forwarding.sh [COMPILER]
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
cxx="${1:-g++}"

# The SDK headers that declare what each host/ header declares itself. "-": a host-only header
# (nothing of the SDK); plug-in code must not include it, and a real branch forwards nothing.
declare -A own=(
  [max.h]="max.h" [MaxTypes.h]="max.h" [MaxHeap.h]="max.h" [MaxString.h]="max.h"
  [WinApi.h]="max.h" [Geometry.h]="max.h" [INode.h]="max.h" [Tab.h]="max.h"
  [Misuse.h]="-"
  [Mesh.h]="max.h MeshNormalSpec.h"
  [Objects.h]="max.h triobj.h modstack.h"
  [PlugApi.h]="max.h iparamb2.h impexp.h"
  [Interface.h]="max.h impexp.h"
  [Log.h]="max.h log.h"
  [Control.h]="max.h"
  [FunctionPublishing.h]="max.h ifnpub.h"
  [Materials.h]="max.h stdmat.h bitmap.h AssetManagement/AssetUser.h"
  [Skin.h]="max.h iskin.h"
  [GMatrix.h]="max.h IGame/IGameType.h"
  [IGame.h]="max.h IGame/IGame.h IGame/IGameObject.h IGame/IGameModifier.h IGame/IGameMaterial.h IGame/IConversionManager.h"
)

stubs="$(mktemp -d)"
trap 'rm -rf "$stubs"' EXIT
for header in "${!own[@]}"; do
  for sdk in ${own[$header]}; do
    [ "$sdk" = - ] && continue
    mkdir -p "$(dirname "$stubs/sdk/$sdk")"
    echo "// stub of the SDK's $sdk for tools/check-sdk-forwarding.sh" >"$stubs/sdk/$sdk"
  done
done

status=0
complain() {
  echo "$1"
  status=1
}

# Every host/ header has its row, so a new one cannot go unchecked.
headers=$(cd "$root/host" && ls *.h)
for header in $headers; do
  [ -n "${own[$header]+set}" ] || complain "host/$header has no row in tools/check-sdk-forwarding.sh"
done
# Plug-in code includes no host-only header: the real build would not have it.
while IFS= read -r used; do
  [ -z "$used" ] && continue
  if [ -z "${own[$used]+set}" ]; then
    complain "host/$used is included by plug-in code but has no row"
  elif [ "${own[$used]}" = - ]; then
    complain "host/$used is included by plug-in code but is host-only: no SDK build has it"
  fi
done < <(cd "$root" && grep -rhoE '#include "host/[A-Za-z0-9_]+\.h"' format importer exporter plugin \
           | sed -E 's|.*"host/([A-Za-z0-9_]+\.h)"|\1|' | sort -u)

# The host/ headers (their names) and stub SDK headers (theirs, "sdk:" first) that compiling
# host/$1 with the flags after it reaches: -H lists every file included, one dot a level.
# "!failed" when it does not preprocess: what it reaches would then be too little.
reached() {
  local header=$1
  shift
  "$cxx" -std=c++11 "$@" -I"$root" -E -H -x c++ "$root/host/$header" -o /dev/null \
    >"$stubs/reached" 2>&1 || echo "!failed"
  grep -E '^\.+ ' "$stubs/reached" | sed -E 's|^\.+ ||' \
    | sed -E "s|^$root/host/([^/]+\.h)\$|\1|; s|^$stubs/sdk/|sdk:|" | sort -u
}

checked=0
for header in $headers; do
  [ -n "${own[$header]+set}" ] && [ "${own[$header]}" != - ] || continue
  checked=$((checked + 1))
  # What the real branch must forward: the header's own row and the rows of every host/
  # header its in-memory branch reaches.
  in_memory=$(reached "$header")
  if printf '%s\n' "$in_memory" | grep -qx '!failed'; then
    complain "host/$header does not preprocess without MSH_REAL_SDK:"
    grep -vE '^\.+ |^Multiple include guards|^/[^:]*$' "$stubs/reached"
    continue
  fi
  expected=$(for h in "$header" $(printf '%s\n' "$in_memory" | grep -E '^[A-Za-z0-9_]+\.h$'); do
               if [ -z "${own[$h]+set}" ]; then
                 echo "?$h"
               else
                 printf '%s\n' ${own[$h]}
               fi
             done | grep -vx -- - | sort -u)
  for unknown in $(printf '%s\n' "$expected" | grep '^?' | cut -c2-); do
    complain "host/$header reaches host/$unknown in memory, which has no row"
  done
  expected=$(printf '%s\n' "$expected" | grep -v '^?')

  # -E -P prints what the header declares.
  declared=$("$cxx" -std=c++11 -DMSH_REAL_SDK -I"$root" -I"$stubs/sdk" -E -P -x c++ \
             "$root/host/$header" 2>"$stubs/errors")
  if [ $? -ne 0 ]; then
    complain "host/$header does not preprocess with MSH_REAL_SDK:"
    cat "$stubs/errors"
    continue
  fi
  [ -z "$(printf '%s' "$declared" | tr -d '[:space:]')" ] \
    || complain "host/$header declares something of its own with MSH_REAL_SDK: $(printf '%s' "$declared" | head -c 200)"
  real=$(reached "$header" -DMSH_REAL_SDK -I"$stubs/sdk")
  others=$(printf '%s\n' "$real" | grep -vE '^sdk:|^[A-Za-z0-9_]+\.h$')
  [ -z "$others" ] || complain "host/$header includes more than SDK and host/ headers with MSH_REAL_SDK: $(echo $others)"
  forwarded=$(printf '%s\n' "$real" | grep '^sdk:' | cut -c5- | sort -u)
  missing=$(comm -23 <(printf '%s\n' "$expected") <(printf '%s\n' "$forwarded") | grep .)
  extra=$(comm -13 <(printf '%s\n' "$expected") <(printf '%s\n' "$forwarded") | grep .)
  [ -z "$missing" ] \
    || complain "host/$header with MSH_REAL_SDK lacks [$(echo $missing)]: its in-memory branch declares or reaches what those declare"
  [ -z "$extra" ] \
    || complain "host/$header with MSH_REAL_SDK includes [$(echo $extra)], which nothing of its in-memory branch stands for"
done
echo "check-sdk-forwarding: $checked host headers checked"
exit $status
