#!/usr/bin/env bash
# One command to install what is missing, build, and start Marel. Installs only
# what building and running need; test.sh installs the rest.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

marel_install_packages "${MAREL_RUN_PACKAGES[@]}"
marel_preset program
exec "$MAREL_ROOT/build/marel" "$@"
