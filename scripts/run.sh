#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what is missing, builds a Release binary of the editor and starts it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/scripts/install-deps.sh" run
cmake -S "$root" -B "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DLIMNORA_BENCH=OFF
cmake --build "$root/build/release" --target limnora -j"$(nproc)"
exec "$root/build/release/limnora"
