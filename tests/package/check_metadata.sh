#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Validates the desktop entry and the AppStream metadata with the desktop's own tools.
#   check_metadata.sh <resources folder>
set -euo pipefail
resources="$1"
if ! command -v desktop-file-validate >/dev/null || ! command -v appstreamcli >/dev/null; then
    echo "desktop-file-validate or appstreamcli is missing"
    exit 77
fi
desktop-file-validate "$resources/org.limnora.Limnora.desktop"
appstreamcli validate --no-net "$resources/org.limnora.Limnora.metainfo.xml"
