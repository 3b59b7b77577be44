#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs the Debian packages that Limnora needs and that are missing on this machine.
#   install-deps.sh run    what building and running the editor needs, with Qt 6 where the
#                          distribution packages 6.4 or newer, else with Qt 5.15
#   install-deps.sh test   that with Qt 6, plus Qt 5 for the suite's Qt 5 stage and what the test
#                          suite needs (X server, xdotool, xclip, a window manager, clang with
#                          libFuzzer for the fuzzing stage, the package and metadata tools)
# Uses sudo when not run as root.
set -euo pipefail

as_root=()
if [[ $(id -u) -ne 0 ]] && command -v sudo >/dev/null; then
    as_root=(sudo)
fi
updated=0
update() {
    if [[ $updated == 0 ]]; then
        "${as_root[@]}" apt-get update -qq
        updated=1
    fi
}

# The version of a package that apt would install, or nothing.
candidate() {
    apt-cache policy "$1" 2>/dev/null | awk '/Candidate:/ && $2 != "(none)" {print $2}'
}

# 6 where the distribution packages Qt 6.4 or newer (Debian 12, Ubuntu 24.04), else 5
# (Debian 11, Ubuntu 22.04, whose Qt 6.2 is too old).
qt_major() {
    local version
    version="$(candidate qt6-base-dev)"
    if [[ -z $version ]]; then # perhaps no package lists yet
        update >/dev/null 2>&1 || true
        version="$(candidate qt6-base-dev)"
    fi
    if [[ -n $version ]] && dpkg --compare-versions "$version" ge 6.4; then
        echo 6
    else
        echo 5
    fi
}

# libdeflate-dev: deflates the PNG of a copied picture.
# cmark-gfm: the guide's HTML page, made from its Markdown at build time.
packages=(cmake g++ make libdeflate-dev fonts-dejavu-core cmark-gfm)
packages+=(zlib1g-dev)  # deflates the PNG of a copied picture band by band where it is mixed
# qt*-translations: Qt's own texts (message box buttons, file dialogs) in Russian.
qt6=(qt6-base-dev qt6-translations-l10n)
qt5=(qtbase5-dev qttranslations5-l10n)
qt5+=(libxcb1-dev)  # Qt 5 builds read other programs' X clipboard through libxcb themselves
if [[ "${1:-run}" == test ]]; then
    packages+=("${qt6[@]}" "${qt5[@]}")
    packages+=(xvfb xauth xdotool xclip)
    packages+=(zlib1g-dev)  # the clipboard benchmark measures the PNG's size against zlib
    # The pictures of the documentation: a window manager that frames the windows, and xwininfo
    # (x11-utils), which tells where a framed window is.
    packages+=(openbox x11-utils)
    packages+=(clang libclang-rt-14-dev)  # the fuzzing stage: clang with libFuzzer
    packages+=(dpkg-dev desktop-file-utils appstream)  # the package and its desktop metadata
elif [[ $(qt_major) == 6 ]]; then
    packages+=("${qt6[@]}")
else
    packages+=("${qt5[@]}")
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

if [[ $(id -u) -ne 0 && ${#as_root[@]} -eq 0 ]]; then
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
update
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
