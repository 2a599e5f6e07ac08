#!/usr/bin/env bash
# Fails on C++11 constructs that Visual C++ 2012 (the host's plug-in compiler) does not accept:
# initializer lists, default member initializers, defaulted and deleted functions, constexpr,
# noexcept, variadic templates, delegating constructors and raw strings. Clang reports each of
# them under -Wc++98-compat; the features VC++ 2012 does have (auto, lambdas, range-for,
# rvalue references, nullptr, override, enum class, static_assert) are let through. Outside
# host/ it also fails on calls spelled min( or max(: the SDK's max.h leaves the Windows min
# and max macros defined, which such a call meets; (std::max)(a, b) is safe.
# Usage: tools/check-vc2012.sh [FILE...]   (default: every plug-in-side file)
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
clang="${CLANGXX:-clang++-14}"
command -v "$clang" >/dev/null 2>&1 || clang=clang++
if [ $# -gt 0 ]; then files=("$@"); else mapfile -t files < <("$root/tools/plugin-sources.sh"); fi

forbidden='initializer list|generalized initializer|initializer_list|list-initiali|in-class initiali|default member initiali'
forbidden+='|defaulted function|deleted function|constexpr|noexcept|variadic template'
forbidden+='|delegating constructor|raw string|inheriting constructor|alignas|thread_local'
forbidden+='|unicode literal|user-defined literal|reference qualifier'

status=0
for file in "${files[@]}"; do
  path="$file"; [ -f "$path" ] || path="$root/$file"
  out=$("$clang" -std=c++11 -fsyntax-only -x c++ -I"$root" -Wc++98-compat \
        "$path" 2>&1)
  hits=$(printf '%s\n' "$out" | grep -E 'warning:' | grep -E "$forbidden")
  if [ -n "$hits" ]; then
    printf '%s\n' "$hits"
    status=1
  fi
  case "$file" in host/*) continue ;; esac
  macros=$(grep -nE '(^|[^A-Za-z0-9_)])(min|max)[[:space:]]*\(' "$path" | grep -vE '^[0-9]+:[[:space:]]*//')
  if [ -n "$macros" ]; then
    printf '%s\n' "$macros" | sed "s|^|$file:|; s|\$| (meets the Windows min/max macros)|"
    status=1
  fi
done
echo "check-vc2012: ${#files[@]} files checked"
exit $status
