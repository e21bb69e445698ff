#!/usr/bin/env bash
# Installs, with apt-get, whatever Velmark needs to build and test that is not yet on this
# Debian machine. `--ci` adds what the continuous-integration run needs on top (the 32-bit
# tool chain and qemu-i386 to run its tests where the kernel cannot, clang with its sanitizer
# and fuzzer runtimes, the validators of the installed desktop entries, metadata and man
# pages, and the Debian package with its checker).
# `--package` adds what `cpack -G DEB` needs (dpkg-shlibdeps finds the package's dependencies,
# `file` tells it the programs).
# `--windows` adds the Windows cross compilers and wine (32-bit wine needs the i386
# architecture; the 64-bit compiler serves machines that cannot run 32-bit programs), and
# the virtual display the windows are tested and pictured on.
set -euo pipefail

packages=(cmake make g++ ccache libgtest-dev libgmock-dev googletest libbenchmark-dev qt6-base-dev
          qt6-svg-dev nlohmann-json3-dev fonts-dejavu-core help2man python3)
if [[ "${1:-}" == "--ci" || "${1:-}" == "--package" ]]; then
  packages+=(dpkg-dev file)
fi
if [[ "${1:-}" == "--ci" ]]; then
  packages+=(g++-multilib qemu-user clang-14 libclang-rt-14-dev desktop-file-utils appstream
             man-db lintian)
fi
if [[ "${1:-}" == "--windows" ]]; then
  # Xvfb for the tests of the windows; xdotool and imagemagick for their screenshots.
  packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 xvfb xauth
             xdotool imagemagick)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    if [[ $(id -u) -ne 0 ]]; then sudo dpkg --add-architecture i386; else dpkg --add-architecture i386; fi
  fi
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
