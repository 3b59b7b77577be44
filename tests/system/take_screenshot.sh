#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Starts the editor on a virtual X screen and saves a PNG of its main window as it first shows.
#
#   take_screenshot.sh [--message] <limnora binary> <output.png>
#
# --message: with the question box of "Очистить цветом Brush" open over the window instead; the
# grab takes in the box too should it stick out.
#
# The shots "start" and "message" of scripts/screenshots.sh, which tells more. grab_window is
# looked for in $GRAB_WINDOW, then in tests/system/ of the build tree the editor was built in.
# Needs xvfb-run and xdotool.
set -euo pipefail

usage() {
    echo "usage: $0 [--message] <limnora binary> <output.png>" >&2
    exit 2
}

shot=start
if [[ ${1:-} == --message ]]; then
    shot=message
    shift
fi
[[ $# -eq 2 ]] || usage
output=$(realpath -m -- "$2")
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$(dirname -- "${BASH_SOURCE[0]}")/../../scripts/screenshots.sh" --editor "$1" --out "$folder" \
    "$shot" >/dev/null
mv "$folder/$shot.png" "$output"
echo "$output"
