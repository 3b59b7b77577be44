#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Pictures of the editor at work, taken from the real program on a virtual X screen that is driven
# from outside the way a user drives it: xdotool moves the pointer, clicks and types, and
# grab_window (tests/system/) saves what the screen shows. The test run checks them (--check).
#
#   screenshots.sh [--editor BINARY] [--out DIR | --docs] [--scale N] [--check] [SHOT ...]
#
# SHOT: names from the list `shots` below; all of them when none is named. Each is saved as
# DIR/SHOT.png (DIR: build/screenshots/), but for the shot "buttons", which saves a picture of each
# button that the guide shows as DIR/buttons/BUTTON.png (BUTTON: the button's name, such as
# SpButModePaint, as the guide links it: img/buttons/BUTTON.png).
# --docs: renews the pictures of the documentation instead, each where it is linked: docs/SHOT.png
#   for those README.md shows, docs/guide/img/SHOT.png for those of the guide (docs/guide/ru.md),
#   docs/guide/img/buttons/ for the buttons.
#   Without SHOT it makes every picture they link: all of them are renewed with
#     scripts/screenshots.sh --docs
# --editor: the program to show; grab_window is then taken from $GRAB_WINDOW or from
#   tests/system/ beside it. Without --editor both are built in build/screenshots/.
# --scale N: Qt scales the editor by N, as on a screen of high density.
# --check: makes every picture and keeps none; fails when one could not be made, or when README.md
#   or the guide links a picture that no shot makes.
# Needs xvfb-run, xdotool, xclip, openbox and xwininfo (scripts/install-deps.sh test installs
# them).
# Openbox frames the windows as a desktop does, so that a dialog or a box shows with its frame and
# its title; xwininfo tells where a window and its frame are (xdotool misplaces a framed window).
#
# A shot is a function shot_<name>. It starts an editor of its own, acts on it with the helpers
# below and saves what it shows with save or save_area. Places in a window are logical
# pixels of that window as the program lays it out (the helpers scale them); the controls are
# known by name from the tables of places. The steps check that they did what they are for: a
# window, box or menu that should open must open, a drag over the picture must change it. A step
# that cannot be done ends its shot with a message, and the script goes on with the next shot and
# fails at the end.
set -euo pipefail
# Windows are found by their Russian titles. Qt 5 writes a title in the locale's encoding, and in
# the C locale (a bare "su -", CI) it cannot: the titles are read in UTF-8 whatever the user set.
export LC_ALL=C.UTF-8

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
shots=(start bands moved shapes pens brushes selection text editmenu newimage buffer offer openerror
       about editor fragments message buttons)

# Centres of the main window's controls. The four bands stand in one row, each right of the one
# before; these are their places with all four shown (mode 2, or through the "Вид" menu). The text
# panel's controls are where they are while the panel is shown.
declare -A main_place=(
    [SpButModeSelect]="22 32" [SpButModePaint]="49 32" [SpButModeText]="76 32"
    [SpButModeImage]="103 32"
    [SpButDrawT01]="140 32" [SpButDrawT02]="167 32" [SpButDrawT03]="194 32"
    [SpButDrawT04]="221 32"
    [STxtPenColor]="253 32" [SpButPenS11]="275 32" [SpButPenS12]="302 32" [SpButPenS13]="329 32"
    [SpButPenS14]="356 32" [SpButPenS15]="383 32" [SpButPenS16]="410 32"
    [STxtBrushColor]="442 32" [SpButBrush21]="464 32" [SpButBrush22]="491 32"
    [SpButBrush23]="518 32" [SpButBrush24]="545 32" [SpButBrush25]="572 32"
    [SpButBrush26]="599 32" [SpButBrush27]="626 32" [SpButBrush28]="653 32"
    [EdTxt]="394 561" [CbBoxFntName]="80 588" [StTxtColorTxt]="193 588" [CbBoxFntSize]="225 588"
    [SpButChB]="274 588" [SpButChI]="300 588" [SpButChU]="326 588" [SpButChS]="352 588"
    [SpButTxtToLeft]="378 588" [SpButTxtToCentr]="404 588" [SpButTxtToRight]="430 588"
    [SpButOK]="472 588" [SpButCancel]="498 588"
    [Menu]="30 9" [About1]="337 9" # the first and the last item of the menu bar
)
# The top left corner of the picture in the main window.
picture_left=1 picture_top=48

# Centres of the fragment buffer window's controls; TrackBar1 is its handle at 100 %.
declare -A buffer_place=(
    [LstBoxFragment]="111 35" [EdItem]="111 341" [SpButDelete]="20 376" [SpButEdTxt]="52 376"
    [SpeedButton2]="84 376" [SpButScale]="363 418" [TrackBar1]="409 443"
)

editor='' out="$root/build/screenshots" docs='' scale=1 check=''
usage() {
    echo "usage: $0 [--editor BINARY] [--out DIR | --docs] [--scale N] [--check] [SHOT ...]" >&2
    echo "shots: ${shots[*]}" >&2
    exit 2
}
while [[ $# -gt 0 ]]; do
    case $1 in
    --editor) editor=$(realpath -- "${2:?}") && shift 2 ;;
    --out) out=$(realpath -m -- "${2:?}") && shift 2 ;;
    --docs) docs=1 && shift ;;
    --scale) scale=${2:?} && shift 2 ;;
    --check) check=1 && shift ;;
    -*) usage ;;
    *) break ;;
    esac
done
[[ $scale =~ ^[1-9]$ ]] || usage

# The pictures that README.md and the guide link, by name; each must be a shot.
linked() { # <Markdown file> <folder of the pictures, as the file links it>
    grep -o "]($2/[^/)]*\.png)" "$root/$1" | sed -e "s|^]($2/||" -e 's|\.png)$||' | sort -u
}
mapfile -t readme_pictures < <(linked README.md docs)
mapfile -t guide_pictures < <(linked docs/guide/ru.md img)
# The buttons the guide shows; the shot "buttons" makes them, if there are any.
mapfile -t button_pictures < <(linked docs/guide/ru.md img/buttons)
[[ ${#button_pictures[@]} -eq 0 ]] || guide_pictures+=(buttons)
for picture in "${readme_pictures[@]}" "${guide_pictures[@]}"; do
    [[ " ${shots[*]} " == *" $picture "* ]] ||
        { echo "$0: $picture.png is linked, but no shot makes it" >&2 && exit 1; }
done

# Every shot is linked, and every picture in the folders of the documentation: none is left over.
for picture in "${shots[@]}"; do
    [[ " ${readme_pictures[*]} ${guide_pictures[*]} " == *" $picture "* ]] ||
        { echo "$0: no document links $picture.png, which a shot makes" >&2 && exit 1; }
done
for file in "$root"/docs/*.png "$root"/docs/guide/img/*.png "$root"/docs/guide/img/buttons/*.png; do
    [[ -e $file ]] || continue
    links=" ${readme_pictures[*]} "
    [[ $file != */guide/img/* ]] || links=" ${guide_pictures[*]} "
    [[ $file != */img/buttons/* ]] || links=" ${button_pictures[*]} "
    [[ $links == *" $(basename "$file" .png) "* ]] ||
        { echo "$0: ${file#"$root"/} is linked nowhere" >&2 && exit 1; }
done

wanted=("$@")
if [[ ${#wanted[@]} -eq 0 && -n $docs ]]; then
    mapfile -t wanted < <(printf '%s\n' "${readme_pictures[@]}" "${guide_pictures[@]}" | sort -u)
fi
[[ ${#wanted[@]} -gt 0 ]] || wanted=("${shots[@]}")
for shot in "${wanted[@]}"; do
    [[ " ${shots[*]} " == *" $shot "* ]] || { echo "$0: no shot named $shot" >&2 && usage; }
done

if [[ -z ${LIMNORA_SCREENSHOTS_DISPLAY:-} ]]; then
    for tool in xvfb-run xdotool xclip openbox xwininfo; do
        command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2 && exit 2; }
    done
    if [[ -z $editor ]]; then
        cmake -S "$root" -B "$root/build/screenshots" -DCMAKE_BUILD_TYPE=Release \
            -DLIMNORA_BENCH=OFF >/dev/null
        cmake --build "$root/build/screenshots" --target limnora grab_window -j"$(nproc)" \
            >/dev/null
        editor="$root/build/screenshots/limnora"
    fi
    export GRAB_WINDOW=${GRAB_WINDOW:-$(dirname -- "$editor")/tests/system/grab_window}
    [[ -x $editor ]] || { echo "$0: $editor is not an executable" >&2 && exit 2; }
    [[ -x $GRAB_WINDOW ]] || { echo "$0: no grab_window at $GRAB_WINDOW" >&2 && exit 2; }
    export LIMNORA_SCREENSHOTS_DISPLAY=1
    args=(--editor "$editor" --out "$out" --scale "$scale")
    [[ -z $docs ]] || args+=(--docs)
    [[ -z $check ]] || args+=(--check)
    # -noreset: the server would reset when the last editor closes, and refuse the next one
    # while it does.
    exec xvfb-run -a -s "-screen 0 $((1280 * scale))x$((1024 * scale))x24 -noreset" \
        "$0" "${args[@]}" "${wanted[@]}"
fi

# From here on the virtual screen is up and DISPLAY names it. The editor alone is scaled.
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING

# Ends the shot with a message; the screen as it was then is kept as OUT/shot-failed.png.
fail() {
    echo "$0: $shot: $*" >&2
    if [[ -z $check ]]; then
        mkdir -p "$out"
        "$GRAB_WINDOW" "$out/$shot-failed.png" 0 0 $((1280 * scale)) $((1024 * scale)) \
            2>/dev/null || true
    fi
    exit 1
}

# Starts the editor and waits for its main window: sets editor_pid and main.
start_editor() {
    if [[ $scale -eq 1 ]]; then
        "$editor" 2>/dev/null &
    else
        QT_SCALE_FACTOR=$scale "$editor" 2>/dev/null &
    fi
    editor_pid=$!
    trap 'kill "$editor_pid" 2>/dev/null || true; wait "$editor_pid" 2>/dev/null || true' EXIT
    main=$(window_named Limnora)
    away
}

# Prints the id of the editor's shown window whose title holds the text, once there is one
# (up to 20 s).
window_named() {
    local id
    for _ in $(seq 200); do
        id=$(shown_windows --name "$1" | head -n 1)
        [[ -n $id ]] && echo "$id" && return 0
        sleep 0.1
    done
    fail "no window \"$1\" showed up"
}

# Prints the ids of the editor's shown windows that meet the further conditions of xdotool
# search, if any; menus are windows too.
shown_windows() {
    xdotool search --all --onlyvisible --pid "$editor_pid" "$@" 2>/dev/null || true
}

# Waits (up to 20 s) until the editor shows no window whose title holds the text.
window_gone() {
    for _ in $(seq 200); do
        [[ -n $(shown_windows --name "$1") ]] || return 0
        sleep 0.1
    done
    fail "window \"$1\" stayed open"
}

# Gives a window the keyboard focus, as a click on its title would, and waits until it has it.
focus() {
    xdotool windowfocus --sync "$1" || fail "window $1 takes no keyboard focus"
}

# Sets X, Y, WIDTH and HEIGHT to a window's place and size on the screen, and FRAME to the
# widths of the frame the window manager puts around it: left, right, top, bottom.
geometry() {
    X='' Y='' WIDTH='' HEIGHT=''
    eval "$(xwininfo -id "$1" 2>/dev/null |
        sed -n -e 's/^ *Absolute upper-left \([XY]\): *\(-*[0-9]*\)$/\1=\2/p' \
            -e 's/^ *Width: *\([0-9]*\)$/WIDTH=\1/p' -e 's/^ *Height: *\([0-9]*\)$/HEIGHT=\1/p')"
    [[ -n $X && -n $Y && -n $WIDTH && -n $HEIGHT ]] || fail "cannot read where window $1 is"
    # A menu has no frame.
    mapfile -t FRAME < <(xwininfo -wm -id "$1" 2>/dev/null |
        sed -n 's/^ *Frame extents: *//p' | tr -s ', ' '\n')
    [[ ${#FRAME[@]} -eq 4 ]] || FRAME=(0 0 0 0)
}

# Sets SX, SY to the screen pixel that shows logical point x y of a window.
screen_point() {
    geometry "$1"
    SX=$((X + $2 * scale + scale / 2)) SY=$((Y + $3 * scale + scale / 2))
}

# The pointer off every window, so that no hover effect or tooltip shows.
away() {
    # --sync waits for the pointer to move, which takes long when it is there already.
    [[ $(xdotool getmouselocation --shell | head -n 2 | tr '\n' ' ') == 'X=0 Y=0 ' ]] ||
        xdotool mousemove --sync 0 0
}

# click <window> <x> <y>: a left click at a logical point of a window.
click() {
    screen_point "$@"
    xdotool mousemove --sync "$SX" "$SY" click 1
}

# click_main <control> / click_buffer <control>: a click on a control of that window, by name.
click_main() {
    [[ -n ${main_place[$1]:-} ]] || fail "no place known for $1"
    # shellcheck disable=SC2086 # the place is two numbers
    click "$main" ${main_place[$1]}
}
click_buffer() {
    [[ -n ${buffer_place[$1]:-} ]] || fail "no place known for $1"
    # shellcheck disable=SC2086
    click "$buffer" ${buffer_place[$1]}
}

# changes <what> <window> <x> <y> <width> <height> <command ...>: runs the command and fails
# unless it changed what the screen shows in that rectangle of the window (logical pixels).
changes() {
    local what=$1 rectangle
    geometry "$2"
    rectangle=($((X + $3 * scale)) $((Y + $4 * scale)) $(($5 * scale)) $(($6 * scale)))
    shift 6
    "$GRAB_WINDOW" --now "$work/before.png" "${rectangle[@]}" 2>/dev/null || fail "the grab failed"
    "$@"
    "$GRAB_WINDOW" "$work/after.png" "${rectangle[@]}" 2>/dev/null || fail "the grab failed"
    if cmp -s "$work/before.png" "$work/after.png"; then
        fail "$what changed nothing on the screen"
    fi
}

# drag <x1> <y1> <x2> <y2>: a drag with the left button over the picture, in picture pixels. It
# must change the picture there: draw a shape, an outline or the text preview.
drag() {
    local left=$(($1 < $3 ? $1 : $3)) top=$(($2 < $4 ? $2 : $4))
    local width=$(($1 < $3 ? $3 - $1 : $1 - $3)) height=$(($2 < $4 ? $4 - $2 : $2 - $4))
    changes "the drag from ($1, $2) to ($3, $4)" "$main" $((picture_left + left)) \
        $((picture_top + top)) $((width + 1)) $((height + 1)) drag_pointer "$@"
}
drag_pointer() {
    screen_point "$main" $((picture_left + $1)) $((picture_top + $2))
    local from_x=$SX from_y=$SY
    screen_point "$main" $((picture_left + $3)) $((picture_top + $4))
    xdotool mousemove --sync "$from_x" "$from_y" mousedown 1 \
        mousemove --sync $(((from_x + SX) / 2)) $(((from_y + SY) / 2)) \
        mousemove --sync "$SX" "$SY" mouseup 1
    away
}

# type_text <text>: puts the text into the control that has the keyboard focus, pasted from the
# clipboard. xdotool would type it, but for each letter the keyboard map lacks it changes the map,
# and the window manager then takes seconds to follow: letters and clicks get lost meanwhile.
type_text() {
    printf '%s' "$1" | xclip -selection clipboard -i 2>/dev/null
    xdotool key ctrl+v
}

# other_window <what> [<window>]: prints the id of a shown window of the editor other than the
# main window and the one given, once there is just one (up to 20 s): a menu, or a dialog.
other_window() {
    local ids last=''
    for _ in $(seq 200); do
        ids=$(shown_windows | grep -vx -e "$main" -e "${2:-$main}" || true)
        # The same one twice: not a menu passed on the way to the next.
        [[ -n $ids && $ids != *$'\n'* && $ids == "$last" ]] && echo "$ids" && return 0
        last=$ids
        sleep 0.1
    done
    fail "$1 did not open"
}

# open_menu <menu>: opens the menu-th menu of the menu bar (0 first) and prints the id of its
# window. A click opens the first menu with no item chosen, a key the next one with its first.
open_menu() {
    click_main Menu
    local popup
    popup=$(other_window "the menu bar's first menu")
    ((${1} > 0)) || { echo "$popup" && return 0; }
    local keys=()
    for ((i = 0; i < $1; ++i)); do keys+=(Right); done
    xdotool key --delay 100 "${keys[@]}"
    other_window "menu $1 of the menu bar" "$popup"
}

# menu <menu> <item>: chooses the item-th item (1 first, separators not counted) of the menu-th
# menu of the menu bar (0 first): a click opens the first menu, the keys walk to the item. The
# item may also be one of the menu bar.
menu() {
    click_main Menu
    other_window "the menu bar's first menu" >/dev/null
    local keys=()
    for ((i = 0; i < $1; ++i)); do keys+=(Right); done
    # The first menu opens on a click with no item chosen, the others on a key with their first.
    for ((i = $1 > 0; i < $2; ++i)); do keys+=(Down); done
    xdotool key --delay 100 "${keys[@]}" Return
    away
}

# pick_color <swatch> <#rrggbb>: a click on a swatch of the main window and the colour typed into
# the colour dialog.
pick_color() {
    click_main "$1"
    local dialog
    dialog=$(window_named "Выбор цвета")
    focus "$dialog"
    xdotool key alt+h ctrl+a
    type_text "$2"
    xdotool key Return
    window_gone "Выбор цвета"
}

# choose_in_box <box> <text>: types an entry's text into a combo box of the text panel and takes
# it with Enter, as choosing it from the list does.
choose_in_box() {
    click_main "$1"
    xdotool key ctrl+a
    type_text "$2"
    xdotool key Return
}

# shape <shape button> <pen button> <brush button> <x1> <y1> <x2> <y2>: one shape drawn in mode 2.
shape() {
    click_main "$1"
    click_main "$2"
    click_main "$3"
    drag "$4" "$5" "$6" "$7"
}

# mark <window> <x> <y> <number>: the next grab shows a numbered callout centred at that logical
# point of the window, as the text refers to a part of the picture.
marks=()
mark() {
    screen_point "$1" "$2" "$3"
    marks+=("$4,$SX,$SY")
}

# grab <name> <x> <y> <width> <height>: a rectangle of the screen as OUT/name.png, or with --docs
# as each picture of that name that the documentation links; with the callouts marked before.
# A name buttons/BUTTON is a button's picture, kept in the folder buttons/ of the guide's pictures.
grab() {
    local folders=("$out") folder
    if [[ -n $docs && -z $check ]]; then
        folders=()
        [[ " ${readme_pictures[*]} " != *" $1 "* ]] || folders+=("$root/docs")
        [[ " ${guide_pictures[*]} " != *" $1 "* && $1 != buttons/* ]] ||
            folders+=("$root/docs/guide/img")
        [[ ${#folders[@]} -gt 0 ]] || folders=("$out")
    fi
    local file="${folders[0]}/$1.png" options=() m n
    mkdir -p "$(dirname "$file")"
    for m in "${marks[@]}"; do
        IFS=, read -r n SX SY <<<"$m"
        options+=(--mark "$n,$((SX - $2)),$((SY - $3)),$((9 * scale))")
    done
    marks=()
    "$GRAB_WINDOW" "${options[@]}" "$file" "$2" "$3" "$4" "$5" 2>/dev/null || fail "the grab failed"
    for folder in "${folders[@]:1}"; do cp "$file" "$folder/"; done
    echo "$file: $4x$5"
}

# save <name> <window> ...: a window with its frame as OUT/name.png; with more windows, the
# smallest rectangle that holds them all, such as a window and a box or menu over it.
save() {
    local name=$1 window left='' top='' right='' bottom='' l t r b
    shift
    for window in "$@"; do
        geometry "$window"
        l=$((X - FRAME[0])) r=$((X + WIDTH + FRAME[1])) t=$((Y - FRAME[2]))
        b=$((Y + HEIGHT + FRAME[3]))
        [[ -n $left ]] || left=$l top=$t right=$r bottom=$b
        left=$((l < left ? l : left)) top=$((t < top ? t : top))
        right=$((r > right ? r : right)) bottom=$((b > bottom ? b : bottom))
    done
    away
    grab "$name" "$left" "$top" $((right - left)) $((bottom - top))
}

# save_area <name> <window> <x> <y> <width> <height>: a part of a window, in its logical pixels.
save_area() {
    away
    geometry "$2"
    grab "$1" $((X + $3 * scale)) $((Y + $4 * scale)) $(($5 * scale)) $(($6 * scale))
}

# Mode 2 and a few shapes in several pen and brush styles and colours.
draw_shapes() {
    click_main SpButModePaint
    pick_color STxtPenColor "#8e1b1b"
    pick_color STxtBrushColor "#f4d35e"
    shape SpButDrawT02 SpButPenS11 SpButBrush21 40 40 260 200
    pick_color STxtPenColor "#1d4e89"
    pick_color STxtBrushColor "#3a9d5d"
    shape SpButDrawT03 SpButPenS12 SpButBrush27 200 120 460 330
    pick_color STxtBrushColor "#d1495b"
    shape SpButDrawT04 SpButPenS13 SpButBrush25 480 50 720 230
    shape SpButDrawT04 SpButPenS15 SpButBrush24 500 290 720 460
    pick_color STxtPenColor "#222222"
    shape SpButDrawT01 SpButPenS14 SpButBrush22 30 490 470 430
}

# The main window as it first shows, its parts numbered: the menu, the bands, the picture, the
# grey field around it and the status bar.
shot_start() {
    start_editor
    mark "$main" 395 9 1
    mark "$main" 250 32 2
    mark "$main" 380 250 3
    mark "$main" 776 250 4
    mark "$main" 700 618 5
    save start "$main"
}

# The menu bar and the four bands of mode 2 in the colours the program starts with, over the top
# of the picture, where callouts number the grip of a band and each group of controls.
shot_bands() {
    start_editor
    click_main SpButModePaint
    local y=$((picture_top + 14)) pen brush
    read -r pen _ <<<"${main_place[STxtPenColor]}"
    read -r brush _ <<<"${main_place[STxtBrushColor]}"
    mark "$main" 9 "$y" 1
    mark "$main" 62 "$y" 2
    mark "$main" 180 "$y" 3
    mark "$main" "$pen" "$y" 4
    mark "$main" 342 "$y" 5
    mark "$main" "$brush" "$y" 6
    mark "$main" 558 "$y" 7
    save_area bands "$main" 0 0 789 $((picture_top + 28))
}

# The mode buttons dragged by their band's grip into a second row, as one slip of the mouse does.
shot_moved() {
    start_editor
    changes "dragging the mode band" "$main" 0 20 789 56 move_band
    mark "$main" 9 $((picture_top + 28 + 14)) 1
    save_area moved "$main" 0 0 789 $((picture_top + 28 + 28))
}
move_band() {
    screen_point "$main" 4 32
    local from_x=$SX from_y=$SY
    screen_point "$main" 20 62
    xdotool mousemove --sync "$from_x" "$from_y" mousedown 1 \
        mousemove --sync $(((from_x + SX) / 2)) $(((from_y + SY) / 2)) \
        mousemove --sync "$SX" "$SY" mouseup 1
    away
}

# Each button the guide shows, up and without the pointer over it, as buttons/NAME.png: the tool
# bands and the text panel shown in mode 1 through the "Вид" menu, the fragment buffer window over
# them. A button that is down at start is taken once another of its group is down.
shot_buttons() {
    start_editor
    menu 1 2 # "Вид": the pen band
    menu 1 3 # the brush band
    menu 1 4 # the text panel
    local name later=() x y
    for name in "${button_pictures[@]}"; do
        case $name in
        SpButModeSelect | SpButDrawT02 | SpButPenS11 | SpButBrush22 | SpButTxtToLeft)
            later+=("$name") ;;
        SpButDelete | SpButEdTxt | SpeedButton2 | SpButScale) ;;
        *) button "$name" ;;
        esac
    done
    click_main SpButDrawT01
    click_main SpButPenS12
    click_main SpButBrush21
    click_main SpButTxtToCentr
    for name in "${later[@]}"; do
        [[ $name == SpButModeSelect ]] || button "$name"
    done
    if [[ " ${later[*]} " == *" SpButModeSelect "* ]]; then
        click_main SpButModeText
        button SpButModeSelect
    fi
    menu 2 7 # "Выбор копии для вставки"
    buffer=$(window_named "Буфер скопированных фрагментов")
    for name in "${button_pictures[@]}"; do
        [[ -z ${buffer_place[$name]:-} ]] && continue
        read -r x y <<<"${buffer_place[$name]}"
        save_area "buttons/$name" "$buffer" $((x - 12)) $((y - 12)) 25 25
    done
}
# button <name>: the picture of a control of the main window, 24 x 24 around its centre.
button() {
    [[ -n ${main_place[$1]:-} ]] || fail "no place known for $1"
    local x y
    read -r x y <<<"${main_place[$1]}"
    save_area "buttons/$1" "$main" $((x - 12)) $((y - 12)) 24 24
}

# The four shapes, with a solid pen and brush.
shot_shapes() {
    start_editor
    click_main SpButModePaint
    pick_color STxtPenColor "#1d4e89"
    pick_color STxtBrushColor "#f4d35e"
    shape SpButDrawT01 SpButPenS11 SpButBrush21 20 120 160 20
    shape SpButDrawT02 SpButPenS11 SpButBrush21 200 20 350 120
    shape SpButDrawT03 SpButPenS11 SpButBrush21 390 20 540 120
    shape SpButDrawT04 SpButPenS11 SpButBrush21 580 20 730 120
    save_area shapes "$main" $((picture_left + 5)) $((picture_top + 5)) 740 130
}

# A rectangle in each of the six pen styles, in the order of their buttons, on a pale solid brush
# that shows where the invisible one is.
shot_pens() {
    start_editor
    click_main SpButModePaint
    pick_color STxtPenColor "#222222"
    pick_color STxtBrushColor "#dbe9f6"
    local i
    for i in 1 2 3 4 5 6; do
        shape SpButDrawT02 "SpButPenS1$i" SpButBrush21 $((i * 122 - 107)) 15 $((i * 122 - 7)) 85
    done
    save_area pens "$main" "$picture_left" "$picture_top" 740 100
}

# A rectangle in each of the eight brush styles, in the order of their buttons.
shot_brushes() {
    start_editor
    click_main SpButModePaint
    pick_color STxtBrushColor "#d1495b"
    local i
    for i in 1 2 3 4 5 6 7 8; do
        shape SpButDrawT02 SpButPenS11 "SpButBrush2$i" $((i * 92 - 80)) 15 $((i * 92 - 4)) 85
    done
    save_area brushes "$main" "$picture_left" "$picture_top" 748 100
}

# A dotted selection around an ellipse, and the status bar telling where it lies.
shot_selection() {
    start_editor
    click_main SpButModePaint
    pick_color STxtBrushColor "#3a9d5d"
    shape SpButDrawT03 SpButPenS11 SpButBrush27 60 370 260 470
    click_main SpButModeSelect
    click_main SpButDrawT02
    drag 40 350 280 490
    save_area selection "$main" 0 $((picture_top + 330)) 503 $((629 - picture_top - 330))
}

# A text label as a pupil first sees it, before it goes into the picture: a rectangle dragged in
# mode 3 and a line typed, with the font, size and colour the program starts with.
shot_text() {
    start_editor
    click_main SpButModeText
    drag 20 330 360 450
    click_main EdTxt
    changes "typing the label" "$main" $((picture_left + 21)) $((picture_top + 331)) 339 119 \
        type_text "Весна пришла! На деревьях появились первые зелёные листочки."
    save_area text "$main" 0 $((picture_top + 315)) 789 $((606 - picture_top - 315))
}

# The edit menu over the three shapes just drawn: three steps to go back.
shot_editmenu() {
    start_editor
    click_main SpButModePaint
    pick_color STxtBrushColor "#f4d35e"
    shape SpButDrawT01 SpButPenS11 SpButBrush21 330 210 500 70
    shape SpButDrawT03 SpButPenS11 SpButBrush21 380 240 600 420
    shape SpButDrawT02 SpButPenS11 SpButBrush21 540 50 730 200
    local popup
    popup=$(open_menu 2) # "Редактирование"
    save editmenu "$main" "$popup"
}

# The fragment buffer window with two captioned fragments, the first one kept at half its size.
shot_buffer() {
    start_editor
    click_main SpButModePaint
    pick_color STxtBrushColor "#f4d35e"
    shape SpButDrawT03 SpButPenS11 SpButBrush21 40 40 240 240
    pick_color STxtBrushColor "#d1495b"
    shape SpButDrawT02 SpButPenS11 SpButBrush21 290 60 490 200
    click_main SpButModeImage
    drag 30 30 250 250
    menu 2 6 # "Редактирование", "Копировать в буфер"
    drag 280 50 500 210
    menu 2 6
    menu 2 7 # "Выбор копии для вставки"
    buffer=$(window_named "Буфер скопированных фрагментов")
    caption "Красный прямоугольник" # the fragment copied last is chosen
    click_buffer LstBoxFragment
    caption "Жёлтый круг"
    click_buffer TrackBar1
    xdotool key --delay 50 Page_Down Page_Down Page_Down Page_Down Page_Down # to 50 %
    click_buffer SpButScale
    click_buffer SpeedButton2
    click_buffer LstBoxFragment # the focus off the caption's field, where the caret blinks
    save buffer "$buffer"
}

# caption <text>: gives the fragment chosen in the buffer window a new caption, which the list
# must show.
caption() {
    click_buffer EdItem
    xdotool key ctrl+a
    type_text "$1"
    changes "the caption \"$1\"" "$buffer" 8 26 206 40 click_buffer SpButEdTxt
}

# The question a fragment command asks outside mode 4.
shot_offer() {
    start_editor
    menu 2 6 # "Редактирование", "Копировать в буфер"
    local box
    box=$(window_named "Подтверждение")
    save offer "$box"
}

# The error that Open shows for a file it cannot load.
shot_openerror() {
    start_editor
    menu 0 2 # "Файлы", "Открыть"
    local dialog box
    dialog=$(other_window "the open dialog")
    focus "$dialog"
    type_text "/home/ученик/Документы/сочинение.docx"
    xdotool key Return
    box=$(window_named "Ошибка")
    save openerror "$box"
}

# Shapes, a hatch, a text label and a dotted selection, with every band and the text panel shown.
shot_editor() {
    start_editor
    draw_shapes
    click_main SpButModeText
    drag 30 345 470 415
    # Each setting must change the label.
    local preview=("$main" $((picture_left + 31)) $((picture_top + 346)) 438 68)
    click_main EdTxt
    changes "typing the label" "${preview[@]}" type_text "Учебный рисунок"
    changes "choosing the font" "${preview[@]}" choose_in_box CbBoxFntName "DejaVu Serif"
    changes "choosing the size" "${preview[@]}" choose_in_box CbBoxFntSize 20
    changes "bold" "${preview[@]}" click_main SpButChB
    changes "centring" "${preview[@]}" click_main SpButTxtToCentr
    changes "the text colour" "${preview[@]}" pick_color StTxtColorTxt "#1d4e89"
    click_main SpButOK
    click_main SpButModeSelect
    click_main SpButDrawT02
    drag 468 38 732 242
    menu 1 2 # "Вид": the pen band
    menu 1 3 # the brush band
    menu 1 4 # the text panel
    save editor "$main"
}

# The fragment buffer window holding a fragment scaled by 150 %, with a caption of its own.
shot_fragments() {
    start_editor
    draw_shapes
    click_main SpButModeImage
    drag 150 90 390 270
    menu 2 6 # "Редактирование", "Копировать в буфер"
    menu 2 7 # "Выбор копии для вставки"
    buffer=$(window_named "Буфер скопированных фрагментов")
    click_buffer TrackBar1
    xdotool key --delay 50 Page_Up Page_Up Page_Up Page_Up Page_Up # five pages of 10 %
    click_buffer SpButScale
    click_buffer SpeedButton2
    click_buffer EdItem
    xdotool key ctrl+a
    type_text "Эллипс и прямоугольник"
    click_buffer SpButEdTxt
    click_buffer LstBoxFragment # the focus off the caption's field, where the caret blinks
    save fragments "$buffer"
}

# The question that "Очистить цветом Brush" asks, over the main window. Its buttons show Qt's
# translation ("Да", "Нет") where qt6-translations-l10n is installed.
shot_message() {
    start_editor
    menu 2 9 # "Редактирование", "Очистить цветом Brush"
    local box
    box=$(window_named "Подтверждение")
    save message "$main" "$box"
}

# The new-image dialog as the New command opens it.
shot_newimage() {
    start_editor
    menu 0 1 # "Файлы", "Новый"
    local dialog
    dialog=$(window_named "Установка размеров нового рисунка")
    save newimage "$dialog"
}

# The about box.
shot_about() {
    start_editor
    click_main About1 # "Справка", a menu bar item of its own
    local box
    box=$(window_named "О программе")
    save about "$box"
}

work=$(mktemp -d)
# The window manager, with its own default settings (not the user's): it is up once its window
# named "Openbox" is there.
XDG_CONFIG_HOME="$work" openbox --sm-disable >/dev/null 2>&1 &
manager_pid=$!
trap 'kill "$manager_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 200); do
    xwininfo -root -children 2>/dev/null | grep -qF '"Openbox"' && break
    sleep 0.1
done
xwininfo -root -children 2>/dev/null | grep -qF '"Openbox"' ||
    { echo "$0: the window manager did not start" >&2 && exit 1; }
[[ -z $check ]] || out="$work/pictures"
failed=()
for shot in "${wanted[@]}"; do
    # A shot runs in a shell of its own, whose first failing command ends it.
    set +e
    (
        set -e
        "shot_$shot"
    )
    status=$?
    set -e
    ((status == 0)) || failed+=("$shot")
done
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "$0: not made: ${failed[*]}" >&2
    exit 1
fi
