#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Validates the desktop entry, its action that opens the guide included, and the AppStream
# metadata with the desktop's own tools.
#   check_metadata.sh <resources folder>
set -euo pipefail
resources="$1"
entry="$resources/org.limnora.Limnora.desktop"
# The entry offers the guide: its action "Руководство" opens the page with xdg-open.
action="$(sed -n '/^\[Desktop Action guide\]$/,/^\[Desktop Entry\]$/p' "$entry")"
if ! grep -qx 'Actions=guide;' "$entry" || ! grep -qx 'Name=Руководство' <<<"$action" ||
    ! grep -qx 'Exec=xdg-open /usr/share/doc/limnora/guide/ru.html' <<<"$action"; then
    echo "the desktop entry has no action \"Руководство\" that opens the guide"
    exit 1
fi
if ! command -v desktop-file-validate >/dev/null || ! command -v appstreamcli >/dev/null; then
    echo "desktop-file-validate or appstreamcli is missing"
    exit 77
fi
desktop-file-validate "$entry"
appstreamcli validate --no-net "$resources/org.limnora.Limnora.metainfo.xml"
