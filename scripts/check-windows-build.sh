#!/usr/bin/env bash
# Checks that the Windows-only sources still compile, with the MinGW-w64 cross compiler:
# the platform implementation and the version resource. No Qt and no linking, so it takes
# seconds; a full Windows build is not attempted here.
set -euo pipefail
cd "$(dirname "$0")/.."

out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

x86_64-w64-mingw32-g++ -std=c++20 -Wall -Wextra -Werror -fsyntax-only -Isrc \
    src/platform/PlatformWindows.cpp

cmake -DOUTPUT="$out/tallowquince.rc" -P src/app/VersionResource.cmake
x86_64-w64-mingw32-windres "$out/tallowquince.rc" -O coff -o "$out/tallowquince.res"

echo "Windows sources compile."
