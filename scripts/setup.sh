# Shared by run.sh and test.sh: installs the Debian packages the project needs and builds it.
# Sourced, not run. Quiet when nothing is missing.

QNEXP_PACKAGES=(cmake make g++ libgtest-dev libedit-dev libbenchmark-dev libmuparser-dev pkg-config
  libsqlite3-dev sqlite3 libpq-dev postgresql locales qt6-base-dev qt6-multimedia-dev
  qt6-qpa-plugins fonts-dejavu-core fonts-wqy-microhei xvfb xauth)

qnexp_install_packages() {
  local missing=()
  local pkg
  for pkg in "${QNEXP_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    return 1
  fi
  echo "Installing ${missing[*]} ..." >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null && apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Configures and builds into the given folder, with extra cmake arguments.
# Prints the compiler's output only when the build fails.
qnexp_build() {
  local dir="$1"
  shift
  local jobs out
  jobs=$(nproc 2>/dev/null || echo 2)
  if ! out=$(cmake -S "$QNEXP_ROOT" -B "$dir" "$@" 2>&1 && cmake --build "$dir" -j "$jobs" 2>&1); then
    echo "$out" >&2
    echo "Build failed." >&2
    return 1
  fi
}
