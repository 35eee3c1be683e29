#!/usr/bin/env bash
# Drives the real program through a real X server, as a person would: the splash, typing a
# directory and a pattern into the main window, Delete, the date hint, Add and Exit. It checks the
# files on disk and filetypes.dat byte for byte. Nothing here reaches into the program: every step
# is a key or a click sent through the X server.
#
#   culler_e2e.sh PATH/TO/culler
#
# Then it ends the program twice more the ways a desktop does, each time after adding a pattern:
# a close from the window manager (openbox, asked by wmctrl, sends the window WM_DELETE_WINDOW)
# and SIGTERM, as at logout. Both must save the list as Exit does.
#
# Exits 77 (skipped) when Xvfb, xdotool, openbox or wmctrl is missing.
set -euo pipefail

program=$1
for tool in Xvfb xdotool openbox wmctrl; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=
culler_pid=
wm_pid=
cleanup() {
    [[ -n $culler_pid ]] && kill "$culler_pid" 2>/dev/null || true
    [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    # What the program, the X server and the window manager said, to tell why.
    for log in "$work"/*.log; do
        [[ -s $log ]] && { echo "--- ${log##*/}"; tail -n 20 "$log"; } >&2
    done
    exit 1
}

# Polls a condition for up to thirty seconds: the program answers in its own time (a loaded
# machine can take a while), and the test waits for what it expects rather than for a fixed delay.
wait_for() {
    local what=$1
    shift
    for _ in $(seq 300); do
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

# --- A home of our own, so that the program reads no settings of the user running the test
# (a remembered To Trash would send the files elsewhere) and writes none there.
export HOME=$work/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
export XDG_STATE_HOME=$HOME/.local/state XDG_CACHE_HOME=$HOME/.cache XDG_RUNTIME_DIR=$HOME/run
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"

# --- A display of our own.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for "the X server" test -s "$work/display"
export DISPLAY=:$(head -n 1 "$work/display")
unset QT_QPA_PLATFORM

(cd "$HOME" && exec "$work/app/culler") >"$work/culler.log" 2>&1 &
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

# It must end cleanly too: a crash on the way out, or in a sanitized build a leak or a memory
# error, is a failure even when the files are right.
ended_cleanly() {
    wait_for "the program to end ($1)" sh -c "! kill -0 $culler_pid 2>/dev/null"
    local exit_status=0
    wait "$culler_pid" || exit_status=$?
    culler_pid=
    [[ $exit_status -eq 0 ]] ||
        fail "the program ended with status $exit_status after $1: $(cat "$work/culler.log")"
}

list_holds() {
    local expected actual
    expected=$(printf "$1" | od -An -tx1)
    actual=$(od -An -tx1 "$work/app/filetypes.dat")
    [[ "$expected" == "$actual" ]] || fail "after $2, filetypes.dat holds$actual instead of$expected"
}

ended_cleanly Exit
list_holds '"*.bak"\r\n"*.tmp"\r\n' Exit
[[ -e $XDG_DATA_HOME/Trash ]] && fail "a purge that deletes made a Trash"

# --- Started again under a window manager: a pattern added, then the window closed by it.
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
wait_for "the window manager" sh -c "wmctrl -m >/dev/null 2>&1"

start_and_add() {
    (cd "$HOME" && exec "$work/app/culler") >"$work/culler.log" 2>&1 &
    culler_pid=$!
    wait_for "the main window" has_window '^Delete Old Files$'
    main=$(window_named '^Delete Old Files$')
    xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
    replace_text 290 50 "$1"
    click 336 48
}

start_and_add '*.log'
# wmctrl asks the window manager to close the window, and the window manager sends it
# WM_DELETE_WINDOW, as for a click on the close button of its title bar.
wmctrl -F -c 'Delete Old Files'
ended_cleanly "a close from the window manager"
list_holds '"*.bak"\r\n"*.log"\r\n"*.tmp"\r\n' "a close from the window manager"

# --- And once more, ended by SIGTERM as at logout or shutdown.
start_and_add '*.doc'
kill -TERM "$culler_pid"
ended_cleanly SIGTERM
list_holds '"*.bak"\r\n"*.doc"\r\n"*.log"\r\n"*.tmp"\r\n' SIGTERM

echo "PASS: purge, date hint, Add, Exit, a window-manager close and SIGTERM through the X server"
