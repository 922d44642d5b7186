#!/usr/bin/env bash
# Installs what is missing, builds, and says how to try the library.
set -euo pipefail
QNEXP_ROOT="$(cd "$(dirname "$0")" && pwd)"
source "$QNEXP_ROOT/scripts/setup.sh"
qnexp_install_packages
BUILD_DIR="${QNEXP_BUILD_DIR:-$QNEXP_ROOT/build}"
qnexp_build "$BUILD_DIR"
if [ -x "$BUILD_DIR/bin/qnexp" ]; then
  exec "$BUILD_DIR/bin/qnexp" "$@"
fi
cat <<MSG
Built $BUILD_DIR/lib/libqnexpbase.so.
The console host is not part of this build yet. To try the library, link against it:
  g++ -std=c++20 -I$QNEXP_ROOT my.cpp -L$BUILD_DIR/lib -lqnexpbase -Wl,-rpath,$BUILD_DIR/lib
and run the tests with ./test.sh.
MSG
