# The Debian packages each command needs, by purpose. Sourced by run.sh, test.sh and .ci/run;
# vh_install_missing installs what is missing, through sudo when not run as root.

# Building and running the program: what ./run.sh installs.
VH_RUN_PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libx11-dev libxext-dev libxcb-present-dev libxcb-shm0-dev libxcb-xfixes0-dev libpixman-1-dev
  libfreetype-dev libfontconfig-dev
  fonts-dejavu-core libpng-dev nlohmann-json3-dev
)

# What the test suite adds: GoogleTest and Google Benchmark; an X server and the tools that drive
# and read it; clang and its sanitizer runtime for the fuzzer; the install and package checks;
# a browser to render the report page.
VH_TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev libxcb-res0-dev
  xvfb xdotool x11-utils x11-apps x11-xserver-utils python3
  clang libclang-rt-14-dev
  dpkg-dev desktop-file-utils groff-base lintian
  chromium
)

# What the Windows executables and their checks under Wine add.
VH_WINDOWS_PACKAGES=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 unzip
)

# vh_install_missing PACKAGE...: installs those of the packages that are not installed yet.
vh_install_missing() {
  local missing=()
  local package
  for package in "$@"; do
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
