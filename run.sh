#!/usr/bin/env bash
# Installs what is missing, builds, and starts the console host qnexp with the arguments given
# (without arguments on a terminal: its interactive prompt).
set -euo pipefail
QNEXP_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$QNEXP_ROOT/scripts/setup.sh"
qnexp_install_packages
BUILD_DIR="${QNEXP_BUILD_DIR:-$QNEXP_ROOT/build}"
qnexp_build "$BUILD_DIR"
exec "$BUILD_DIR/bin/qnexp" "$@"
