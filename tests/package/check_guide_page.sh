#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# The guide's page: every picture it shows is beside it in the build folder and where it is
# installed, and docs/guide_page.cmake refuses to make a page of a guide that breaks its rules.
#   check_guide_page.sh <source folder> <build folder> <cmark-gfm>
set -euo pipefail
source=$1 build=$2 cmark=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*" && failed=1; }

cmake --install "$build" --prefix "$work/usr" >/dev/null
for page in "$build/docs/guide/ru.html" "$work/usr/share/doc/limnora/guide/ru.html"; do
    [[ -f $page ]] || fail "there is no $page"
    grep -o ' src="[^"]*"' "$page" 2>/dev/null | sed 's/^ src="\(.*\)"$/\1/' >"$work/pictures" || true
    while read -r picture; do
        [[ -f $(dirname "$page")/$picture ]] || fail "$page shows $picture, which is not there"
    done <"$work/pictures"
done

# A one-section guide with each line in turn, and the reason the page must be refused for it.
while IFS='|' read -r line reason; do
    printf '# Г\n\n## Содержание\n\n1. [Р](#1-р)\n\n## 1. Р\n\n%s\n' "$line" >"$work/bad.md"
    output=$(cmake -DCMARK_GFM="$cmark" -DINPUT="$work/bad.md" -DOUTPUT="$work/bad.html" \
        -P "$source/docs/guide_page.cmake" 2>&1) && fail "a page made with: $line"
    output=$(tr -s ' \n' ' ' <<<"$output") # CMake wraps its messages
    [[ $output == *"$reason"* ]] || fail "\"$line\" was not refused for $reason: $output"
done <<'LINES'
Лист — белый.|a dash after an ordinary blank
Лист 761 × 505 точек.|a unit after an ordinary blank
За 5 минут.|a unit after an ordinary blank
Смотрите раздел 1.|a section named without a link
Смотрите [там](#2-нет).|which no heading has
![Лист](img/start.png)|a picture without its caption
LINES
exit "$failed"
