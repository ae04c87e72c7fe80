#!/usr/bin/env bash
# Makes platform/web/font/font_9x15.cpp again: the 9x15 font of Debian's
# xfonts-base (public domain), gzipped PCF -> BDF (pcf2bdf) -> C++
# (bdf_to_cpp.js). The glyphs never change, so the result is committed and the
# web build needs no font packages; run this only to change the converter.
# Needs xfonts-base, pcf2bdf and node.
# Usage: platform/web/font/make_font.sh
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
gzip -dc /usr/share/fonts/X11/misc/9x15.pcf.gz >"$work/9x15.pcf"
pcf2bdf -o "$work/9x15.bdf" "$work/9x15.pcf"
node "$here/bdf_to_cpp.js" "$work/9x15.bdf" font9x15 "$here/font_9x15.cpp"
