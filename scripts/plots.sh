#!/usr/bin/env bash
# Regenerates the figures of docs/physics.md: builds tools/wave_physics, runs it
# at 10 and 1.8 steps per millisecond and plots its CSV with gnuplot (tools/physics_plots.gp).
#   scripts/plots.sh [OUTPUT_DIR]     (default docs/physics)
# Installs gnuplot-nox (and anything else the build needs) when it is missing.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

out="${1:-$MAREL_ROOT/docs/physics}"

marel_install_packages "${MAREL_RUN_PACKAGES[@]}" gnuplot-nox
marel_preset program wave_physics >/dev/null

csv="$(mktemp -d)"
trap 'rm -rf "$csv"' EXIT
# 10 per ms is about what the demo reaches under Xvfb; 1.8 per ms is a desktop
# with vertical sync: 60 drawn frames a second, 30 steps each.
for rate in 10 1.8; do
    "$MAREL_ROOT/build/tools/wave_physics" "$rate" --csv "$csv"
done

mkdir -p "$out"
gnuplot -e "csv='$csv'; out='$out'" "$MAREL_ROOT/tools/physics_plots.gp"
ls -l "$out"/*.png
