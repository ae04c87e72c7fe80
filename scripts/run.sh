#!/usr/bin/env bash
# One command to install what is missing, build, and start Marel. Installs only
# what building and running need; test.sh installs the rest.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

marel_install_packages "${MAREL_RUN_PACKAGES[@]}"
MAREL_TARGET=marel marel_build "$MAREL_BUILD" "${MAREL_PROGRAM_ONLY[@]}"
exec "$MAREL_BUILD/marel" "$@"
