#!/usr/bin/env bash
# Starts the editor on a virtual X screen and saves a PNG of its main window as it first shows.
#
#   take_screenshot.sh <limnora binary> <output.png>
#
# The grab itself is done by grab_window, built from this folder (target grab_window). It is
# looked for in $GRAB_WINDOW, then in tests/system/ of the build tree the editor was built in.
# Needs xvfb-run and xdotool.
set -euo pipefail

usage() {
    echo "usage: $0 <limnora binary> <output.png>" >&2
    exit 2
}

[[ $# -eq 2 ]] || usage
editor=$(realpath -- "$1")
output=$(realpath -m -- "$2")
[[ -x $editor ]] || { echo "$0: $1 is not an executable" >&2; exit 2; }
grab=${GRAB_WINDOW:-$(dirname -- "$editor")/tests/system/grab_window}
[[ -x $grab ]] || { echo "$0: no grab_window at $grab (build the grab_window target)" >&2; exit 2; }

if [[ -z ${LIMNORA_SCREENSHOT_DISPLAY_READY:-} ]]; then
    for tool in xvfb-run xdotool; do
        command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 2; }
    done
    export LIMNORA_SCREENSHOT_DISPLAY_READY=1 GRAB_WINDOW=$grab
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$editor" "$output"
fi

# From here on the virtual screen is up and DISPLAY names it.
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING

"$editor" &
editor_pid=$!
trap 'kill "$editor_pid" 2>/dev/null || true; wait "$editor_pid" 2>/dev/null || true' EXIT

window=$(timeout 30 xdotool search --sync --onlyvisible --name Limnora | head -n 1) || true
if [[ -z $window ]]; then
    echo "$0: the editor's window did not show up" >&2
    exit 1
fi

# Keep the pointer and any hover effect off the window.
xdotool mousemove --sync 0 0

# X, Y, WIDTH, HEIGHT of the window on the screen.
X='' Y='' WIDTH='' HEIGHT=''
while IFS='=' read -r key value; do
    case $key in
    X) X=$value ;;
    Y) Y=$value ;;
    WIDTH) WIDTH=$value ;;
    HEIGHT) HEIGHT=$value ;;
    esac
done < <(xdotool getwindowgeometry --shell "$window")
if [[ -z $X || -z $Y || -z $WIDTH || -z $HEIGHT ]]; then
    echo "$0: cannot read the geometry of window $window" >&2
    exit 1
fi
"$grab" "$output" "$X" "$Y" "$WIDTH" "$HEIGHT"
echo "$output: ${WIDTH}x${HEIGHT}"
