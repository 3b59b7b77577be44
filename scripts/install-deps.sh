#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs the Debian packages that Limnora needs and that are missing on this machine.
#   install-deps.sh run    what building and running the editor needs
#   install-deps.sh test   that, plus what the test suite needs (X server, xdotool, xclip, clang
#                          with libFuzzer for the fuzzing stage, the package and metadata tools)
# Uses sudo when not run as root.
set -euo pipefail

# qt6-translations-l10n: Qt's own texts (message box buttons, file dialogs) in Russian.
# zlib1g-dev: zlib's checksums for the PNG of a copied picture; Qt loads the same library.
packages=(cmake g++ make qt6-base-dev zlib1g-dev qt6-translations-l10n fonts-dejavu-core)
if [[ "${1:-run}" == test ]]; then
    packages+=(xvfb xauth xdotool xclip)
    packages+=(clang libclang-rt-14-dev)  # the fuzzing stage: clang with libFuzzer
    packages+=(dpkg-dev desktop-file-utils appstream)  # the package and its desktop metadata
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
