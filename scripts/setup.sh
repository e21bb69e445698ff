#!/usr/bin/env bash
# Installs, with apt-get, whatever Velmark needs to build and test that is not yet on this
# Debian machine. `--ci` adds what the continuous-integration run needs on top (the 32-bit
# tool chain, clang with its sanitizer and fuzzer runtimes).
set -euo pipefail

packages=(cmake make g++ ccache libgtest-dev libgmock-dev googletest libbenchmark-dev qt6-base-dev qt6-svg-dev
          fonts-dejavu-core)
if [[ "${1:-}" == "--ci" ]]; then
  packages+=(g++-multilib clang-14 libclang-rt-14-dev)
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
