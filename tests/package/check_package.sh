#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the Debian package from a build folder and checks it: its file list and the files' modes,
# its dependency line, that apt-get could install it, and that the program starts from the
# unpacked package under an X server.
#   check_package.sh <build folder> <major version of the Qt it was built with>
#   check_package.sh --deb <package file> <major version of the Qt it was built with>
#                                 checks a package made before
set -euo pipefail
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if [[ $1 == --deb ]]; then
    shift
    deb="$(realpath "$1")"
else
    (cd "$1" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || {
        cat "$work/cpack.log"
        exit 1
    }
    deb="$(ls "$work"/*.deb)"
fi
qt="$2"
echo "package: $(basename "$deb")"

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

listing="$(dpkg-deb -c "$deb")"
files="$(awk '{print $6}' <<<"$listing")"
expected=(./usr/bin/limnora
          ./usr/share/applications/org.limnora.Limnora.desktop
          ./usr/share/metainfo/org.limnora.Limnora.metainfo.xml
          ./usr/share/icons/hicolor/scalable/apps/org.limnora.Limnora.svg
          ./usr/share/doc/limnora/copyright)
for size in 16 24 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/org.limnora.Limnora.png")
done
for file in "${expected[@]}"; do
    grep -qxF "$file" <<<"$files" || fail "the package lacks $file"
done
if grep -v -e '/$' <<<"$files" | grep -v -e '^\./usr/bin/' -e '^\./usr/share/' >/dev/null; then
    fail "files outside /usr/bin and /usr/share: $(grep -v -e '/$' <<<"$files" |
        grep -v -e '^\./usr/bin/' -e '^\./usr/share/' | tr '\n' ' ')"
fi

# Folders 0755, the program 0755, every other file 0644, whatever the umask of who made it.
modes="$(awk '$6 == "./usr/bin/limnora" && $1 != "-rwxr-xr-x" ||
    $6 != "./usr/bin/limnora" && (/^d/ && $1 != "drwxr-xr-x" || /^-/ && $1 != "-rw-r--r--") {
        print $1, $6 }' <<<"$listing")"
[[ -z $modes ]] || fail "files with other modes: $(head -n 5 <<<"$modes" | tr '\n' ' ')"

depends="$(dpkg-deb -f "$deb" Depends)"
echo "depends: $depends"
names="$(tr ',' '\n' <<<"$depends" | awk '{print $1}')"
if [[ $qt == 6 ]]; then
    libraries=(libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins)
else # Qt 5's platform plugins are part of its Gui library's package
    libraries=(libqt5core5a libqt5gui5 libqt5widgets5)
fi
# Debian 13 names the libraries built for 64-bit time ...t64 (libqt6core6t64, and libqt5core5t64
# for libqt5core5a).
for package in libc6 libstdc++6 "${libraries[@]}"; do
    grep -qxF -e "$package" -e "${package}t64" -e "${package%a}t64" <<<"$names" ||
        fail "Depends lacks $package"
done
# Native on a Wayland desktop rather than through XWayland.
[[ $qt != 6 ]] || grep -qw qt6-wayland <<<"$(dpkg-deb -f "$deb" Recommends)" ||
    fail "Recommends lacks qt6-wayland"
[[ "$(dpkg-deb -f "$deb" Architecture)" == "$(dpkg --print-architecture)" ]] ||
    fail "the package is not for this architecture"

# apt-get would install it here: every dependency can be resolved.
if compgen -G "/var/lib/apt/lists/*_Packages*" >/dev/null; then
    apt-get install -s "$deb" >"$work/apt.log" 2>&1 || {
        cat "$work/apt.log"
        fail "apt-get cannot install the package"
    }
else
    echo "note: no package lists here, the apt-get check is skipped"
fi

mkdir "$work/root"
dpkg-deb -x "$deb" "$work/root"

# The program links the Qt it was built with, and no other.
linked="$(ldd "$work/root/usr/bin/limnora" | grep -o 'libQt[0-9]' | sort -u | tr '\n' ' ')"
[[ $linked == "libQt$qt " ]] || fail "the program links ${linked:-no Qt}, not Qt $qt alone"

# The copyright file is in the machine-readable format and names the licence and its holder.
copyright="$work/root/usr/share/doc/limnora/copyright"
grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$copyright" 2>/dev/null || fail "the copyright file is not in the machine-readable format"
grep -q '^Copyright: .*The Limnora authors$' "$copyright" 2>/dev/null ||
    fail "the copyright file names no holder"
grep -qxF 'License: GPL-3.0+' "$copyright" 2>/dev/null || fail "the copyright file names no GPL-3.0+ licence"

# The guide, its HTML page, every picture they show beside them, and the desktop entry's action
# that opens the page.
guide="$work/root/usr/share/doc/limnora/guide"
[[ -f $guide/ru.md ]] || fail "the package lacks the guide, /usr/share/doc/limnora/guide/ru.md"
grep -qF '<meta charset="utf-8">' "$guide/ru.html" 2>/dev/null ||
    fail "the package lacks the guide's UTF-8 page, /usr/share/doc/limnora/guide/ru.html"
for doc in ru.md ru.html; do
    pictures="$(grep -o -e '](img/[^)]*\.png)' -e ' src="img/[^"]*"' "$guide/$doc" 2>/dev/null |
        sed -E -e 's/^(]\(| src=")//' -e 's/[)"]$//' || true)"
    [[ -n $pictures ]] || fail "the package's guide $doc shows no picture"
    while read -r picture; do
        [[ -z $picture || -f $guide/$picture ]] || fail "the package lacks the $picture of $doc"
    done <<<"$pictures"
done
entry="$work/root/usr/share/applications/org.limnora.Limnora.desktop"
grep -qx 'Exec=xdg-open /usr/share/doc/limnora/guide/ru.html' "$entry" ||
    fail "the desktop entry's action does not open the guide's page"
if command -v desktop-file-validate >/dev/null; then
    report="$(desktop-file-validate "$entry" 2>&1)" || fail "the packaged desktop entry: $report"
fi

# The program starts from the unpacked package.
if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null; then
    ROOT="$work/root" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
        QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 "$ROOT/usr/bin/limnora" &
        editor=$!
        found=0
        timeout 60 xdotool search --sync --onlyvisible --name Limnora >/dev/null && found=1
        kill "$editor" 2>/dev/null || true
        wait "$editor" 2>/dev/null || true
        [[ $found == 1 ]]' || fail "the unpacked program shows no window"
else
    echo "note: no xvfb-run or xdotool, the start from the package is not checked"
fi

[[ $failed == 0 ]] && echo "the package is complete"
exit "$failed"
