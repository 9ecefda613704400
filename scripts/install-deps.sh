#!/usr/bin/env bash
# Installs the Debian packages the build, the program and its tests need, when missing.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-image-formats-plugins libqt6svg6
    libzip-dev libx11-dev libxcb1-dev libxcb-xkb-dev libjpeg-dev
    # HEIF, HEIC and AVIF: libheif with its HEVC (libde265) and AV1 (dav1d, aom) decoders;
    # dav1d's own interface for single AV1 pictures
    libheif-dev libdav1d-dev
    # compile check of the Windows-only sources
    g++-mingw-w64-x86-64-posix
    # fuzzing (the "fuzz" preset): clang, and libFuzzer with the sanitizer runtimes
    clang-14 libclang-rt-14-dev
    # benchmarks: djpeg, libjpeg-turbo's own scaled decode, is the photo-change reference;
    # heif-convert decodes HEIC and AVIF; feh is the start-up reference
    libjpeg-turbo-progs libheif-examples feh
    # the HEIC and AVIF photos of the end-to-end tests are made with heif-enc and avifenc
    libavif-bin
    # desktop tests on a virtual X11 desktop (tests/e2e/desktop-session): the X server, window
    # manager, panel and compositor, the tools that drive and inspect them, a font, keyboard
    # layouts and a private session bus
    xvfb openbox tint2 picom xdotool x11-utils imagemagick python3 fonts-dejavu-core
    x11-xkb-utils dbus-daemon
    # close requests from a tool (wmctrl) and screen changes at run time (xrandr)
    wmctrl x11-xserver-utils
    # the Debian package (make package) and its checks
    dpkg-dev file lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
