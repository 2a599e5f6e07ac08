# Sourced by the scripts that run Windows programs under wine64: a fresh private prefix that is
# removed on exit, headless, with the loader's errors visible. Defines `wine`.
# Debian's wine64 keeps its programs in its own library folder, not on the PATH.
wine=$(dpkg -L wine64 2>/dev/null | grep -E '/wine64$' | grep -v '/share/' | head -n1)
wineserver=$(dpkg -L wine64 2>/dev/null | grep -E '/wineserver(64)?$' | head -n1)
[ -n "$wine" ] && [ -x "$wine" ] ||
  fail "wine64 not found (scripts/install-deps.sh windows installs wine64)"
[ -n "$wineserver" ] && [ -x "$wineserver" ] || fail "wineserver of wine64 not found"

wine_prefix="$(mktemp -d "${TMPDIR:-/tmp}/msh-wineprefix.XXXXXX")"
wine_cleanup() {
  WINEPREFIX="$wine_prefix" "$wineserver" -k >/dev/null 2>&1
  rm -rf "$wine_prefix"
}
trap wine_cleanup EXIT
export WINEPREFIX="$wine_prefix" WINESERVER="$wineserver" WINEARCH=win64
# Errors of the loader stay visible (a missing DLL would otherwise exit silently with 53).
export WINEDEBUG=-all,err+module
# C.UTF-8 gives the ANSI code page 1252 of a Western install.
export LC_ALL=C.UTF-8
# No mono or gecko installers, and no display: message boxes return at once.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# The prefix is made before any program runs: left to the first program, a slow wineboot on a
# loaded machine can leave system32 unpopulated and the program dies with "could not load
# kernel32.dll". A prefix that did not come out whole is made again, up to three times.
wine_make_prefix() {
  local attempt
  for attempt in 1 2 3; do
    "$wine" wineboot --init >/dev/null 2>&1
    "$wineserver" -w
    [ -f "$wine_prefix/drive_c/windows/system32/kernel32.dll" ] && return 0
    "$wineserver" -k >/dev/null 2>&1
    rm -rf "$wine_prefix" && mkdir -p "$wine_prefix"
  done
  fail "could not create a wine prefix in $wine_prefix (wineboot left no system32/kernel32.dll)"
}
wine_make_prefix

# wine's own notes on a first run, which are not the program's output.
wine_noise='^wine: (created the configuration|configuration in|failed to open .*syswow64)|fixme:'
