#!/usr/bin/env bash
# Checks the real-SDK branch of the host/ headers: compiled with MSH_REAL_SDK against stub SDK
# headers made here (files with the SDK's names and nothing in them), each host/ header that
# plug-in code includes must include exactly the SDK headers of its row below, nothing else,
# and declare nothing of its own.
# Usage: tools/check-sdk-forwarding.sh [COMPILER]
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
cxx="${1:-g++}"

declare -A forwards=(
  [max.h]="max.h" [MaxTypes.h]="max.h" [MaxHeap.h]="max.h" [MaxString.h]="max.h"
  [WinApi.h]="max.h" [Geometry.h]="max.h" [INode.h]="max.h" [Tab.h]="max.h"
  [Mesh.h]="max.h MeshNormalSpec.h"
  [Objects.h]="max.h triobj.h modstack.h"
  [PlugApi.h]="max.h iparamb2.h impexp.h"
  [Interface.h]="max.h impexp.h"
  [Log.h]="max.h log.h"
  [FunctionPublishing.h]="max.h ifnpub.h"
  [Materials.h]="max.h stdmat.h bitmap.h AssetManagement/AssetUser.h"
  [Skin.h]="max.h iskin.h"
  [GMatrix.h]="max.h IGame/IGameType.h"
  [IGame.h]="max.h IGame/IGame.h IGame/IGameObject.h IGame/IGameModifier.h IGame/IGameMaterial.h IGame/IConversionManager.h"
)

stubs="$(mktemp -d)"
trap 'rm -rf "$stubs"' EXIT
for header in "${!forwards[@]}"; do
  for sdk in ${forwards[$header]}; do
    mkdir -p "$(dirname "$stubs/sdk/$sdk")"
    echo "// stub of the SDK's $sdk for tools/check-sdk-forwarding.sh" >"$stubs/sdk/$sdk"
  done
done

status=0
complain() {
  echo "$1"
  status=1
}

# Every host/ header the plug-in sources include must have its row.
while IFS= read -r used; do
  [ -n "${forwards[$used]+set}" ] || complain "host/$used is included by plug-in code but has no row"
done < <(cd "$root" && grep -rhoE '#include "host/[A-Za-z]+\.h"' format importer exporter plugin \
           | sed -E 's|.*"host/([A-Za-z]+\.h)"|\1|' | sort -u)

for header in $(printf '%s\n' "${!forwards[@]}" | sort); do
  # -E -P prints what the header declares; -H lists every file it includes, one dot a level.
  declared=$("$cxx" -std=c++11 -DMSH_REAL_SDK -I"$root" -I"$stubs/sdk" -E -P -H -x c++ \
             "$root/host/$header" 2>"$stubs/includes")
  if [ $? -ne 0 ]; then
    complain "host/$header does not preprocess with MSH_REAL_SDK:"
    cat "$stubs/includes"
    continue
  fi
  [ -z "$(printf '%s' "$declared" | tr -d '[:space:]')" ] \
    || complain "host/$header declares something of its own with MSH_REAL_SDK: $(printf '%s' "$declared" | head -c 200)"
  included=$(grep -E '^\.+ ' "$stubs/includes" | sed -E "s|^\.+ ||; s|^$stubs/sdk/||" | sort)
  expected=$(printf '%s\n' ${forwards[$header]} | sort)
  [ "$included" = "$expected" ] \
    || complain "host/$header includes [$(echo $included)] with MSH_REAL_SDK, expected [$(echo $expected)]"
done
echo "check-sdk-forwarding: ${#forwards[@]} host headers checked"
exit $status
