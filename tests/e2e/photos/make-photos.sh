#!/usr/bin/env bash
# Writes the HEIC and AVIF photos of the end-to-end tests from the bundled sample photo, with
# Debian's encoders (heif-enc of libheif-examples, avifenc of libavif-bin). The AVIF stores the
# picture turned and mirrored and asks for the opposite in its container, as phones do.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert ../../../data/sample.jpg -resize 800x600 "PNG24:$work/upright.png"
heif-enc -q 50 "$work/upright.png" -o sample.heic
# Stored: mirrored left to right, then turned clockwise; shown: turned back anticlockwise
# (irot 1), then mirrored (imir 1).
convert "$work/upright.png" -flop -rotate 90 "PNG24:$work/stored.png"
avifenc -s 6 --min 20 --max 40 --irot 1 --imir 1 "$work/stored.png" sample-turned.avif >/dev/null
