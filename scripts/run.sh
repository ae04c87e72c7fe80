#!/usr/bin/env bash
# One command to install what is missing, build, and start Marel.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

marel_install_packages
MAREL_TARGET=marel marel_build "$MAREL_BUILD"
exec "$MAREL_BUILD/marel" "$@"
