#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Limnora authors
# SPDX-License-Identifier: GPL-3.0-or-later

# The README's commands as a new user runs them on a fresh machine of a Debian release:
#   release-stage.sh <11|12|13>
# As root: makes a fresh minimal root of that release with debootstrap (from the mirror of this
# machine's apt sources), clones this checkout into the home of a user who has sudo, and there,
# as that user, with the release's own login environment (no locale set up):
#   1. the run command (scripts/run.sh): it must build without a compiler warning and show the
#      editor's window on an X server of this machine;
#   2. the package step, cpack -G DEB in build/release/, with a umask of 0002: the package must
#      pass tests/package/check_package.sh (its files, modes and Depends);
#   3. the test command (scripts/test.sh) without release stages of its own;
#   4. that package installed with apt-get into a second fresh root, where the editor must start.
# The base root is kept in LIMNORA_ROOTS_CACHE (/var/cache/limnora/roots) for a week, and every
# run starts from fresh copies of it in build/release-<release>/. Logs are kept there; the last line
# of summary.txt sums up the stage. A mirror that cannot be reached fails the stage.
set -euo pipefail
checkout="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
release="${1:-}"
case $release in
11) codename=bullseye ;;
12) codename=bookworm ;;
13) codename=trixie ;;
*)
    echo "usage: release-stage.sh 11|12|13" >&2
    exit 2
    ;;
esac
if [[ $(id -u) -ne 0 ]]; then
    echo "release-stage.sh needs root (debootstrap, chroot, mount)" >&2
    exit 1
fi
for tool in debootstrap chroot Xvfb xdotool git; do
    command -v "$tool" >/dev/null || {
        echo "release-stage.sh needs $tool (scripts/install-deps.sh test and releases install it)" >&2
        exit 1
    }
done

cache="${LIMNORA_ROOTS_CACHE:-/var/cache/limnora/roots}"
work="$checkout/build/release-$release"
user=pupil

# The Debian mirror this machine's apt uses (the first one that is not the security archive).
mirror() {
    local uri
    uri="$( (grep -hs -E '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
        awk '{for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) {print $i; break}}'
        grep -hs -E '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}') |
        grep -v -e security -e updates | head -n 1)"
    echo "${uri:-http://deb.debian.org/debian}"
}

log() { echo "release-stage $release: $*"; }
fail() {
    log "FAILED: $*" | tee -a "$work/summary.txt" >&2
    exit 1
}

# Mount points below the work folder, deepest first.
mounts_below() {
    findmnt -rn -o TARGET | awk -v dir="$1/" 'index($0 "/", dir) == 1' | sort -r
}
unmount_all() {
    local target
    while read -r target; do
        [[ -n $target ]] && umount -l "$target" 2>/dev/null || true
    done < <(mounts_below "$work")
}
# Removes a root; never while anything is still mounted below it (a bound /dev would go too).
remove_root() {
    [[ -e $1 ]] || return 0
    [[ -z $(mounts_below "$1") ]] || fail "$1 still has mounts; not removed"
    rm -rf --one-file-system "$1"
}

xvfb_pid=""
cleanup() {
    [[ -z $xvfb_pid ]] || kill "$xvfb_pid" 2>/dev/null || true
    unmount_all
}
trap cleanup EXIT

# A base root of the release, debootstrapped at most a week ago.
base="$cache/$codename"
if [[ ! -f $base/.complete ]] || [[ -n $(find "$base/.complete" -mtime +7 2>/dev/null) ]]; then
    log "debootstrap $codename from $(mirror)"
    mkdir -p "$cache"
    rm -rf --one-file-system "$base.new"
    debootstrap --variant=minbase --include=sudo "$codename" "$base.new" "$(mirror)" \
        >"$cache/$codename.log" 2>&1 || {
        tail -n 20 "$cache/$codename.log"
        mkdir -p "$work"
        fail "debootstrap of $codename from $(mirror) failed"
    }
    touch "$base.new/.complete"
    rm -rf --one-file-system "$base"
    mv "$base.new" "$base"
fi

unmount_all
remove_root "$work/root"
remove_root "$work/root2"
mkdir -p "$work"
rm -f "$work"/*.log "$work/summary.txt" "$work"/*.deb

# A fresh copy of the base with a user who has sudo; /proc, /sys and /dev as a system has them.
fresh_root() {
    local dir="$1"
    cp -a "$base" "$dir"
    cp /etc/resolv.conf "$dir/etc/resolv.conf"
    printf '127.0.0.1 localhost %s\n' "$(hostname)" >"$dir/etc/hosts"
    mount -t proc proc "$dir/proc"
    mount -t sysfs sysfs "$dir/sys"
    mount --bind /dev "$dir/dev"
    mount --bind /dev/pts "$dir/dev/pts"
    chroot "$dir" useradd -m -s /bin/bash "$user"
    echo "$user ALL=(ALL) NOPASSWD:ALL" >"$dir/etc/sudoers.d/$user"
    chmod 0440 "$dir/etc/sudoers.d/$user"
}
# as_user <root> <command>: a login shell of the user, as su - gives it.
as_user() {
    chroot "$1" su - "$user" -c "$2"
}

# An X server on this machine; clients in the roots reach it through its abstract socket.
display=90
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do
    display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    DISPLAY=":$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done

# waits_for_window <pid of what starts the editor> <log> <seconds>: succeeds once the editor's main
# window shows, then closes the editor; fails when the starter ends first or the time is up.
waits_for_window() {
    local starter="$1" seconds="$3" window=""
    for _ in $(seq "$seconds"); do
        window="$(DISPLAY=":$display" xdotool search --onlyvisible --name Limnora 2>/dev/null |
            head -n 1)"
        [[ -n $window ]] && break
        kill -0 "$starter" 2>/dev/null || break
        sleep 1
    done
    if [[ -z $window ]]; then
        kill "$starter" 2>/dev/null || true
        wait "$starter" 2>/dev/null || true
        tail -n 40 "$2"
        return 1
    fi
    sleep 1
    kill "$(DISPLAY=":$display" xdotool getwindowpid "$window")" 2>/dev/null || true
    wait "$starter" 2>/dev/null || true
}

root="$work/root"
fresh_root "$root"
git clone -q --no-hardlinks "$checkout" "$root/home/$user/limnora"
chroot "$root" chown -R "$user:$user" "/home/$user/limnora"
log "$(. "$root/etc/os-release" && echo "$PRETTY_NAME"), a fresh root in $root"

log "1. the run command"
start=$SECONDS
as_user "$root" "DISPLAY=:$display bash limnora/scripts/run.sh" >"$work/run.log" 2>&1 &
waits_for_window $! "$work/run.log" 2400 || fail "the run command showed no editor window"
qt="$(sed -n 's/.*Limnora builds with Qt \([0-9.]*\).*/\1/p' "$work/run.log" | head -n 1)"
warnings="$(grep -E '(warning|error):' "$work/run.log" || true)"
[[ -z $warnings ]] || fail "the run command's build printed: $(head -n 5 <<<"$warnings")"
log "   built on Qt $qt without a warning and showed its window ($((SECONDS - start)) s)"

log "2. the package step"
as_user "$root" "umask 0002 && cd limnora/build/release && cpack -G DEB" >"$work/package.log" 2>&1 ||
    { tail -n 20 "$work/package.log"; fail "cpack -G DEB failed after the run command"; }
deb="$(ls "$root/home/$user/limnora/build/release/"*.deb)"
cp "$deb" "$work/"
as_user "$root" "bash limnora/tests/package/check_package.sh --deb limnora/build/release/$(basename "$deb") ${qt%%.*}" \
    >>"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "the package is not right"; }
log "   $(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

log "3. the test command"
start=$SECONDS
status=0
as_user "$root" "LIMNORA_RELEASES= bash limnora/scripts/test.sh" >"$work/test.log" 2>&1 || status=$?
if [[ $status -ne 0 ]]; then
    tail -n 80 "$work/test.log"
    fail "the test command failed (exit $status); the log is $work/test.log"
fi
sed -n '/^=== summary$/,$p' "$work/test.log" | tail -n +2 | sed 's/^/   /'
log "   passed ($((SECONDS - start)) s)"

log "4. the package installed into a second fresh root"
root2="$work/root2"
fresh_root "$root2"
cp "$deb" "$root2/tmp/"
chroot "$root2" bash -c "export DEBIAN_FRONTEND=noninteractive && apt-get update -qq &&
    apt-get install -y -qq /tmp/$(basename "$deb")" >"$work/install.log" 2>&1 ||
    { tail -n 20 "$work/install.log"; fail "apt-get could not install the package"; }
as_user "$root2" "DISPLAY=:$display limnora" >"$work/installed-run.log" 2>&1 &
waits_for_window $! "$work/installed-run.log" 60 || fail "the installed editor showed no window"
log "   installed with apt-get and started"

echo "Debian $release (Qt $qt): run, package, test and install passed" >>"$work/summary.txt"
