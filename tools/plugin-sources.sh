#!/usr/bin/env bash
# Lists the files that go into the plug-in libraries: every source of format/, importer/,
# exporter/, plugin/ and the host/ headers they include. Paths relative to the repository.
cd "$(dirname "$0")/.."
{
  find format importer exporter plugin -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null
  find host -maxdepth 1 -type f -name '*.h' 2>/dev/null
} | sort
