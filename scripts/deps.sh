# Installs the Debian packages the build, the tests and the program need, when missing.
# Sourced by run.sh and test.sh; uses sudo when not run as root.

VH_PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libx11-dev libxext-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils python3
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 x11-apps
  dpkg-dev desktop-file-utils groff-base unzip
)

vh_install_missing() {
  local missing=()
  local package
  for package in "${VH_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  echo "Installing missing packages: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

vh_jobs() {
  nproc 2>/dev/null || echo 2
}
