#!/bin/sh
# Both deliverables through Wine's real registry: Manager, driven with the
# mouse and keys as a person would, switches compression off, then on at
# level 1, then 9; after each, morvane.exe put stores the same file, which
# must come out plain, then packed, then packed no larger than at level 1.
# Usage: manager_switch_test.sh WINE_RUN MANAGER_EXE MORVANE_EXE INSTALL_REG
set -eu
wine_run=$1
manager=$2
morvane=$3
install=$4
key='HKLM\System\StorageManager\FATFS\Filters\Morvane'

. "$(dirname "$0")/../support/manager_window.sh"

fail() {
    echo "manager_switch_test: $*" >&2
    exit 1
}

# Opens Manager, clicks the check box CLICKS times (which also gives it the
# focus), sends KEY to the slider after it (none for "-"), lets the level's
# label catch up and presses OK.
use_manager() {
    "$wine_run" "$manager" &
    running=$!
    window=$(wait_for_dialog) || fail "no dialog appeared"
    xdotool windowfocus --sync "$window"
    for _ in $(seq "$1"); do
        click_at "$window" 10 10
    done
    if [ "$2" != - ]; then
        xdotool key --window "$window" Tab "$2"
    fi
    sleep 2
    click_at "$window" 50 132
    wait "$running" || fail "Manager ended with $? after OK"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/morvane-switch.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/backing"
# Text as people write it; seq-like runs can pack smaller at level 1 than at 9.
cp /usr/share/common-licenses/GPL-3 "$work/text.txt"
host() { printf 'Z:%s' "$1" | tr / '\\'; }
put() { "$wine_run" "$morvane" put "$(host "$work/backing")" "$(host "$work/text.txt")" "$1" || fail "put $1 failed"; }
magic() { od -An -tx1 -N2 "$work/backing/$1" | tr -d ' \n'; }

(cd "$(dirname "$install")" && "$wine_run" reg import "$(basename "$install")") >/dev/null 2>&1 ||
    fail "reg import failed"

use_manager 1 -
[ "$(stored ENABLE)" = 0x0 ] || fail "Manager did not switch compression off"
put off.txt
cmp -s "$work/text.txt" "$work/backing/off.txt" || fail "with compression off the file is not stored plain"

use_manager 1 Home
[ "$(stored ENABLE)" = 0x1 ] && [ "$(stored LEVEL)" = 0x1 ] || fail "Manager did not set on, level 1"
put level1.txt

# Twice: the box keeps its state and has the focus.
use_manager 2 End
[ "$(stored ENABLE)" = 0x1 ] && [ "$(stored LEVEL)" = 0x9 ] || fail "Manager did not set level 9"
put level9.txt

for file in level1.txt level9.txt; do
    [ "$(magic "$file")" = 24a1 ] || fail "$file is not packed"
done
level1=$(stat -c %s "$work/backing/level1.txt")
level9=$(stat -c %s "$work/backing/level9.txt")
[ "$level9" -le "$level1" ] || fail "level 9 stored $level9 bytes, level 1 only $level1"
"$wine_run" "$morvane" inspect "$(host "$work/backing/level1.txt")" "$(host "$work/backing/level9.txt")" >/dev/null ||
    fail "a packed file does not decode"
echo "manager_switch_test: passed (level 1: $level1 bytes, level 9: $level9 bytes)"
