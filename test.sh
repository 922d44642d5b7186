#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Exits non-zero on any failure.
# Extra arguments go to cmake, for example: ./test.sh -DQNEXP_SANITIZE=ON
set -euo pipefail
QNEXP_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$QNEXP_ROOT/scripts/setup.sh"
qnexp_install_packages
BUILD_DIR="${QNEXP_BUILD_DIR:-$QNEXP_ROOT/build}"
qnexp_build "$BUILD_DIR" "$@"
cd "$BUILD_DIR"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)"
