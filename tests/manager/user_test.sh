#!/bin/sh
# Uses Manager as a person would, on the current X display: clicks and keys on
# its window, OK, and the values found afterwards with `reg query`; then a
# second start while it runs, which must bring the first forward and exit -1.
# Usage: user_test.sh WINE_RUN MANAGER_EXE INSTALL_REG
set -eu
wine_run=$1
manager=$2
install=$3
key='HKLM\System\StorageManager\FATFS\Filters\Morvane'

. "$(dirname "$0")/../support/manager_window.sh"

fail() {
    echo "user_test: $*" >&2
    exit 1
}

# Pixel (X, Y) of the window's 32 x 32 icon as the window manager gets it, as
# a decimal ARGB value.
icon_pixel() {
    xprop -id "$1" -f _NET_WM_ICON 32c _NET_WM_ICON | tr -d ' ' | cut -d= -f2 | tr ',' '\n' |
        awk -v x="$2" -v y="$3" 'NR == 1 && $1 != 32 { exit } NR == 3 + y * 32 + x { print; exit }'
}

# Installed as an installation does it: ENABLE 1, LEVEL 9.
(cd "$(dirname "$install")" && "$wine_run" reg import "$(basename "$install")") >/dev/null 2>&1 ||
    fail "reg import failed"

# Clear the box with the mouse, move the slider two steps down with the keys,
# wait for the label to catch up (it follows the slider every half second),
# press OK.
"$wine_run" "$manager" &
first=$!
window=$(wait_for_dialog) || fail "no dialog appeared"
# Our icon (scripts/make-manager-icon): its blue at a point off the glyph.
[ "$(icon_pixel "$window" 3 10)" = $((0xFF2060C0)) ] || fail "the window does not carry icon 128"
xdotool windowfocus --sync "$window"
click_at "$window" 10 10
xdotool key --window "$window" Tab Left Left
sleep 2
click_at "$window" 50 132
wait "$first" || fail "Manager ended with $? after OK"
[ "$(stored ENABLE)" = 0x0 ] || fail "ENABLE is $(stored ENABLE), not 0x0"
[ "$(stored LEVEL)" = 0x7 ] || fail "LEVEL is $(stored LEVEL), not 0x7"

# A second start finds the running dialog: no second window, exit code -1.
"$wine_run" "$manager" &
first=$!
window=$(wait_for_dialog) || fail "no dialog appeared"
status=0
"$wine_run" "$manager" || status=$?
[ "$status" -eq 255 ] || fail "the second start ended with $status, not -1"
[ "$(dialogs | wc -l)" -eq 1 ] || fail "a second dialog opened"

# Escape cancels: nothing is written.
xdotool windowfocus --sync "$window"
xdotool key --window "$window" space Escape
wait "$first" || fail "Manager ended with $? after Cancel"
[ "$(stored ENABLE)" = 0x0 ] || fail "Cancel changed ENABLE"
[ "$(stored LEVEL)" = 0x7 ] || fail "Cancel changed LEVEL"
echo "user_test: passed"
