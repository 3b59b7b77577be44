#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs the Debian packages that Limnora needs and that are missing on this machine, by the
# names this release gives them (Debian 11, 12 and 13, and the Ubuntu and Mint releases built on
# the same packages).
#   install-deps.sh run        building and running the editor and making its package: Qt 6 where
#                              the release packages 6.4 or newer, else Qt 5.15
#   install-deps.sh test       the test suite: every Qt of the two the release packages, an X
#                              server and the programs the system tests drive, clang with its
#                              fuzzing runtime and a Wayland compositor where the Qt 6 stages
#                              run, the metadata tools
#   install-deps.sh releases   what the release stages need on the host (debootstrap)
#   install-deps.sh --list M   prints what mode M asks for on this release, one a line, and
#                              installs nothing
# A package the release does not have is named with the reason it is wanted, in one line each.
# Uses sudo when not run as root.
set -euo pipefail

list_only=0
if [[ ${1:-} == --list ]]; then
    list_only=1
    shift
fi
mode="${1:-run}"
case $mode in
run | test | releases) ;;
*)
    echo "usage: install-deps.sh [--list] run|test|releases" >&2
    exit 2
    ;;
esac

as_root=()
if [[ $(id -u) -ne 0 ]] && command -v sudo >/dev/null; then
    as_root=(sudo)
fi
updated=0
update() {
    if [[ $updated == 0 ]]; then
        "${as_root[@]}" apt-get update -qq
        updated=1
    fi
}

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# The version of a package that is installed or that apt would install, or nothing. Reads the
# package lists first where there are none yet (a fresh machine).
version_of() {
    local version
    version="$(apt-cache policy "$1" 2>/dev/null | awk '/Candidate:/ && $2 != "(none)" {print $2}')"
    if [[ -z $version && $updated == 0 ]] && ! compgen -G "/var/lib/apt/lists/*_Packages*" >/dev/null; then
        update >/dev/null 2>&1 || true
        version="$(apt-cache policy "$1" 2>/dev/null | awk '/Candidate:/ && $2 != "(none)" {print $2}')"
    fi
    echo "$version"
}

# The upstream version of a Debian version: 1:19.0-63 gives 19.0.
upstream() {
    local version="${1#*:}"
    echo "${version%%[-+~]*}"
}

# Qt 6 counts where the release packages 6.4 or newer (Debian 12 and 13, Ubuntu 24.04); Ubuntu
# 22.04's 6.2 is too old. Qt 5.15 counts where it is packaged at all.
has_qt6() {
    local version
    version="$(version_of qt6-base-dev)"
    [[ -n $version ]] && dpkg --compare-versions "$(upstream "$version")" ge 6.4
}
has_qt5() {
    local version
    version="$(version_of qtbase5-dev)"
    [[ -n $version ]] && dpkg --compare-versions "$(upstream "$version")" ge 5.15
}

required=()  # package|why: the mode cannot do without it
optional=()  # package|why: a test that needs it skips without it
want() { required+=("$1|$2"); }
want_if_packaged() { optional+=("$1|$2"); }

qt6=(qt6-base-dev qt6-translations-l10n)
# Qt 5 builds read other programs' X clipboard through libxcb themselves.
qt5=(qtbase5-dev qttranslations5-l10n libxcb1-dev)
want_qt() {
    local package
    for package in "$@"; do
        want "$package" "Qt, the toolkit the editor is built on"
    done
}

# The fuzzing stage's clang with its libFuzzer and sanitizer runtime: libclang-rt-dev for the
# release's default clang where the release has it (Debian 13), else the runtime of that clang's
# version (Debian 12: libclang-rt-14-dev), else the package that held it before (clang 11 to 13).
want_clang() {
    local major
    want clang "the fuzzing stage's compiler"
    major="$(upstream "$(version_of clang)")"
    major="${major%%.*}"
    local runtime
    for runtime in libclang-rt-dev "libclang-rt-$major-dev" "libclang-common-$major-dev"; do
        if [[ -n $(version_of "$runtime") ]]; then
            want "$runtime" "libFuzzer and the sanitizers for clang $major"
            return
        fi
    done
    want "libclang-rt-$major-dev" "libFuzzer and the sanitizers for clang $major"
}

case $mode in
run | test)
    want cmake "the build"
    want g++ "the compiler"
    want make "the build"
    want libdeflate-dev "deflates the PNG of a copied picture"
    want zlib1g-dev "deflates the PNG of a copied picture band by band where it is mixed"
    want fonts-dejavu-core "the fonts the editor shows"
    want cmark-gfm "makes the guide's HTML page"
    # cpack -G DEB computes the package's dependencies with dpkg-shlibdeps and file.
    want dpkg-dev "dpkg-shlibdeps computes the package's dependencies"
    want file "cpack tells the binaries apart with it"
    ;;&
run)
    if has_qt6; then
        want_qt "${qt6[@]}"
    elif has_qt5; then
        want_qt "${qt5[@]}"
    else
        want qt6-base-dev "Qt 6.4 or newer, or Qt 5.15 (qtbase5-dev): this release packages neither"
    fi
    ;;
test)
    # Every Qt the release packages gets a stage: Qt 6 the normal, fuzzing and sanitizer stages,
    # Qt 5.15 a stage of its own.
    qt_found=0
    if has_qt6; then
        want_qt "${qt6[@]}"
        want_clang
        # The Wayland system test (Qt 6 only): the compositor Weston, its clipboard's tools and
        # Qt 6's Wayland platform.
        want_if_packaged weston "the Wayland system test's compositor"
        want_if_packaged wl-clipboard "the Wayland system test's clipboard"
        want_if_packaged qt6-wayland "Qt 6 on Wayland, for the Wayland system test"
        qt_found=1
    fi
    if has_qt5; then
        want_qt "${qt5[@]}"
        qt_found=1
    fi
    [[ $qt_found == 1 ]] ||
        want qt6-base-dev "Qt 6.4 or newer, or Qt 5.15 (qtbase5-dev): this release packages neither"
    want xvfb "the system tests' X server"
    want xauth "xvfb-run"
    want xdotool "the system tests' pointer and keyboard"
    want xclip "the other program of the clipboard tests"
    # The pictures of the documentation: a window manager that frames the windows, and xwininfo
    # (x11-utils), which tells where a framed window is.
    want openbox "frames the windows of the documentation's pictures"
    want x11-utils "xwininfo tells where a framed window is"
    want desktop-file-utils "checks the desktop entry"
    want appstream "checks the AppStream metadata"
    ;;
releases)
    want debootstrap "makes the fresh roots of other Debian releases"
    ;;
esac

if [[ $list_only == 1 ]]; then
    for entry in "${required[@]}" "${optional[@]}"; do
        echo "${entry%%|*}"
    done
    exit 0
fi

missing=()
for entry in "${required[@]}" "${optional[@]}"; do
    installed "${entry%%|*}" || missing+=("$entry")
done
if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

if [[ $(id -u) -ne 0 && ${#as_root[@]} -eq 0 ]]; then
    echo "These packages are missing and installing them needs root (or sudo):" \
        "$(for entry in "${missing[@]}"; do printf '%s ' "${entry%%|*}"; done)" >&2
    exit 1
fi
update

# Only what this release packages goes to apt, which would refuse the whole list for one name it
# does not know.
install=()
lacking=0
for entry in "${missing[@]}"; do
    package="${entry%%|*}"
    if [[ -n $(version_of "$package") ]]; then
        install+=("$package")
    elif printf '%s\n' "${required[@]}" | grep -qxF "$entry"; then
        echo "install-deps.sh: this release has no package $package (${entry#*|})" >&2
        lacking=1
    else
        echo "install-deps.sh: this release has no package $package (${entry#*|}); skipped" >&2
    fi
done
[[ $lacking == 0 ]] || exit 1
[[ ${#install[@]} -gt 0 ]] || exit 0

echo "Installing: ${install[*]}"
# No questions (sudo would drop the variable from the environment it was given).
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${install[@]}"
