#!/usr/bin/env bash
# Installs what is missing, builds, and starts the console host qnexp with the arguments given
# (without arguments on a terminal: its interactive prompt). `./run.sh --workbench [ARGS]`
# starts the desktop workbench qnexpdemo instead.
set -euo pipefail
QNEXP_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$QNEXP_ROOT/scripts/setup.sh"
qnexp_install_packages
BUILD_DIR="${QNEXP_BUILD_DIR:-$QNEXP_ROOT/build}"
qnexp_build "$BUILD_DIR"
if [[ "${1:-}" == "--workbench" ]]; then
  shift
  exec "$BUILD_DIR/bin/qnexpdemo" "$@"
fi
exec "$BUILD_DIR/bin/qnexp" "$@"
