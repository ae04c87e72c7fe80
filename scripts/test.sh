#!/usr/bin/env bash
# One command to install what is missing, build with warnings as errors, and
# run every test. Each test process starts its own private Xvfb server, so no
# display is needed and none is touched.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

marel_install_packages

echo "== Release build, warnings as errors"
marel_build "$MAREL_BUILD" -DMAREL_WERROR=ON

echo "== Tests"
ctest --test-dir "$MAREL_BUILD" --output-on-failure --timeout 300
