#!/usr/bin/env bash
# Drives the real program through a real X server, as a person would: the splash, typing a
# directory and a pattern into the main window, Delete, the date hint, Add and Exit. It checks the
# files on disk and filetypes.dat byte for byte. Nothing here reaches into the program: every step
# is a key or a click sent through the X server.
#
#   culler_e2e.sh PATH/TO/culler
#
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail

program=$1
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=
culler_pid=
cleanup() {
    [[ -n $culler_pid ]] && kill "$culler_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Polls a condition for up to ten seconds: the program answers in its own time, and the test
# waits for what it expects rather than for a fixed delay.
wait_for() {
    local what=$1
    shift
    for _ in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    fail "gave up waiting for $what"
}

# --- The program's own portable copy, with a pattern list beside it, and a directory to purge.
mkdir -p "$work/app" "$work/data/sub.tmp" "$work/outside"
cp "$program" "$work/app/culler"
# A copy marked portable, as its build tree is, keeps its list beside it.
touch "$work/app/culler.portable"
printf '"*.tmp"\r\n' >"$work/app/filetypes.dat"
data=$work/data
touch -d '40 days ago' "$data/old.tmp" "$data/.hidden.tmp" "$data/old.log" "$data/sub.tmp/inner.tmp" \
    "$work/outside/target.tmp"
touch "$data/new.tmp"
ln -s "$work/outside/target.tmp" "$data/link.tmp"

# --- A display of our own.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for "the X server" test -s "$work/display"
export DISPLAY=:$(head -n 1 "$work/display")
unset QT_QPA_PLATFORM

(cd "${HOME:-/}" && exec "$work/app/culler") >"$work/culler.log" 2>&1 &
culler_pid=$!

window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
has_window() { [[ -n $(window_named "$1") ]]; }

# Screenshots for the documentation, when asked for: CULLER_SCREENSHOTS=DIR.
screenshot() {
    [[ -n ${CULLER_SCREENSHOTS:-} ]] && command -v import >/dev/null || return 0
    import -window "$1" "$CULLER_SCREENSHOTS/$2"
}

if [[ -n ${CULLER_SCREENSHOTS:-} ]]; then
    wait_for "the splash" has_window '^culler$'
    screenshot "$(window_named '^culler$')" splash.png
fi

# The splash gives way to the main window by itself within three seconds.
wait_for "the main window" has_window '^Delete Old Files$'
main=$(window_named '^Delete Old Files$')
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"

# Controls by their place in the window's client area, in pixels.
click() { xdotool mousemove --sync --window "$main" "$1" "$2" click 1; }
replace_text() {
    click "$1" "$2"
    xdotool key --clearmodifiers ctrl+a BackSpace
    xdotool type --delay 20 "$3"
}

# --- A purge: directory, pattern, Delete.
replace_text 300 25 "$data"
replace_text 290 50 '*.tmp'
click 228 84
wait_for "old.tmp to go" test ! -e "$data/old.tmp"
for kept in new.tmp .hidden.tmp old.log sub.tmp/inner.tmp link.tmp; do
    [[ -e $data/$kept || -L $data/$kept ]] || fail "$kept was deleted"
done
[[ -e $work/outside/target.tmp ]] || fail "the link's target was deleted"
has_window '^Error!!$' && fail "an error box appeared after the purge"
screenshot "$main" main-window.png

# --- The date hint: once for each arrival of the focus in the date box.
click 186 136 # "Delet Files created before"
click 360 137 # the date box
wait_for "the date hint" has_window '^Please Note$'
hint=$(window_named '^Please Note$')
# With no window manager the keyboard goes to the window under the pointer.
xdotool mousemove --sync --window "$hint" 5 5
xdotool key Return
wait_for "the hint to close" sh -c "! xdotool search --onlyvisible --name '^Please Note$' >/dev/null 2>&1"
click 186 112 # back to "Delete Files over "
has_window '^Please Note$' && fail "the date hint came back with the focus"

# --- Add a pattern, then Exit: the list is saved in its sorted order.
replace_text 290 50 '*.bak'
click 336 48
click 224 164
wait_for "the program to end" sh -c "! kill -0 $culler_pid 2>/dev/null"
# It must end cleanly too: a crash on the way out, or in a sanitized build a leak or a memory
# error, is a failure even when the files are right.
exit_status=0
wait "$culler_pid" || exit_status=$?
culler_pid=
[[ $exit_status -eq 0 ]] || fail "the program ended with status $exit_status: $(cat "$work/culler.log")"

expected=$(printf '"*.bak"\r\n"*.tmp"\r\n' | od -An -tx1)
actual=$(od -An -tx1 "$work/app/filetypes.dat")
[[ "$expected" == "$actual" ]] || fail "filetypes.dat holds$actual instead of$expected"

echo "PASS: purge, date hint, Add and Exit through the X server"
