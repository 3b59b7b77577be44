#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Every C++ source and header, CMake file and shell script of the source tree names its licence
# and its copyright holder in its first lines.
#   check_licence.sh <source folder>
set -euo pipefail
cd "$1"
missing=0
while IFS= read -r -d '' file; do
    head -n 4 "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' &&
        head -n 4 "$file" | grep -q 'SPDX-FileCopyrightText: .*The Limnora authors' || {
        echo "no licence header: $file"
        missing=1
    }
done < <(find . -path './build*' -prune -o -path ./.git -prune -o -type f \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.cmake' -o -name CMakeLists.txt \
    -o -path ./.ci/run \) -print0)
[[ ! -f LICENSE ]] && echo "no LICENSE" && missing=1
exit "$missing"
