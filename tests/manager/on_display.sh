#!/bin/sh
# Runs a window test on a virtual display of its own. Wine's desktop belongs to
# the display its session started on, so the test waits, still on that display,
# for the Wine session it started to end: the next test starts afresh on its own.
# Usage: on_display.sh WINEPREFIX COMMAND...
prefix=$1
shift
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    prefix=$1
    shift
    status=0
    "$@" || status=$?
    WINEPREFIX="$prefix" wineserver -w
    exit $status' sh "$prefix" "$@"
