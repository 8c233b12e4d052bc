#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages the project builds, tests and runs with, when any is missing.
# With "hardening" it adds what the sanitizer, fuzzing and Windows runs need (the Windows Qt
# build included).
set -euo pipefail
packages=(build-essential cmake pkg-config qt6-base-dev libgl-dev libjpeg-dev libzip-dev libgtest-dev
          libbenchmark-dev nlohmann-json3-dev xvfb xauth fonts-dejavu-core fonts-wine fonts-liberation strace
          x11-apps netpbm)
if [ "${1:-}" = hardening ]; then
  packages+=(clang libclang-rt-14-dev mingw-w64 wine wine64 zip unzip dpkg-dev nasm
             xz-utils ninja-build qt6-base-dev-tools xdotool python3)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
