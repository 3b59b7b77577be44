#!/usr/bin/env bash
# Starts the editor on a virtual X screen and saves a PNG of its main window as it first shows.
#
#   take_screenshot.sh [--message] <limnora binary> <output.png>
#
# --message: with a question box open over the window instead, the one the edit menu's last item
# ("Очистить цветом Brush" clears the picture) asks before it acts; its buttons show Qt's
# translation ("Да", "Нет") where qt6-translations-l10n is installed. The menu is opened with a
# click on the menu bar and walked with the keyboard. The grab covers the main window, and the box
# too should it stick out (it shows centred over the window).
#
# The grab itself is done by grab_window, built from this folder (target grab_window): the
# smallest lossless PNG, with a palette where the picture has 256 colours or fewer. It is looked
# for in $GRAB_WINDOW, then in tests/system/ of the build tree the editor was built in.
# Needs xvfb-run and xdotool.
set -euo pipefail

usage() {
    echo "usage: $0 [--message] <limnora binary> <output.png>" >&2
    exit 2
}

message=''
if [[ ${1:-} == --message ]]; then
    message=--message
    shift
fi
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
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" $message "$editor" "$output"
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

# Sets X, Y, WIDTH and HEIGHT to a window's place and size on the screen.
geometry() {
    X='' Y='' WIDTH='' HEIGHT=''
    while IFS='=' read -r key value; do
        case $key in
        X) X=$value ;;
        Y) Y=$value ;;
        WIDTH) WIDTH=$value ;;
        HEIGHT) HEIGHT=$value ;;
        esac
    done < <(xdotool getwindowgeometry --shell "$1" 2>/dev/null)
    [[ -n $X && -n $Y && -n $WIDTH && -n $HEIGHT ]]
}

if ! geometry "$window"; then
    echo "$0: cannot read the geometry of window $window" >&2
    exit 1
fi
main_x=$X main_y=$Y main_width=$WIDTH main_height=$HEIGHT
# What is grabbed: the main window, grown to take in the question box.
crop_x=$X crop_y=$Y crop_width=$WIDTH crop_height=$HEIGHT

# Prints "id x y width height" for each shown window of the editor but the main one: menus, boxes.
others() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$editor_pid" 2>/dev/null); do
        [[ $id == "$window" ]] && continue
        # A menu may close between the search and this look.
        geometry "$id" && echo "$id $X $Y $WIDTH $HEIGHT"
    done
    return 0
}

# Waits (up to 20 s) until one other window is shown whose left edge lies right of $1; prints
# its line.
wait_for_menu() {
    local line
    for _ in $(seq 200); do
        line=$(others)
        if [[ -n $line && $(wc -l <<<"$line") -eq 1 ]] && (($(cut -d' ' -f2 <<<"$line") > $1)); then
            echo "$line"
            return 0
        fi
        sleep 0.1
    done
    echo "$0: no menu opened right of x = $1" >&2
    return 1
}

if [[ -n $message ]]; then
    # The first menu with a click, then two to the right: the edit menu ("Редактирование").
    xdotool mousemove --sync $((main_x + 20)) $((main_y + 8)) click 1
    menu=$(wait_for_menu -1)
    for _ in 1 2; do
        xdotool key Right
        menu=$(wait_for_menu "$(cut -d' ' -f2 <<<"$menu")")
    done
    # From its first item up, round to the last: "Очистить цветом Brush".
    xdotool key Up Return
    xdotool mousemove --sync 0 0

    # The question box: a window of its own, over the main window, once the menu has closed.
    menu_id=$(cut -d' ' -f1 <<<"$menu")
    box=''
    for _ in $(seq 200); do
        box=$(others | grep -v "^$menu_id " | head -n 1) || true
        [[ -n $box ]] && break
        sleep 0.1
    done
    if [[ -z $box ]]; then
        echo "$0: no question box showed up" >&2
        exit 1
    fi
    read -r _ box_x box_y box_width box_height <<<"$box"
    left=$((main_x < box_x ? main_x : box_x)) top=$((main_y < box_y ? main_y : box_y))
    right=$((main_x + main_width > box_x + box_width ? main_x + main_width : box_x + box_width))
    bottom=$((main_y + main_height > box_y + box_height ? main_y + main_height : box_y + box_height))
    crop_x=$left crop_y=$top crop_width=$((right - left)) crop_height=$((bottom - top))
fi

"$grab" "$output" "$crop_x" "$crop_y" "$crop_width" "$crop_height"
echo "$output: ${crop_width}x${crop_height}"
