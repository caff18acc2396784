# Helpers for driving Manager's window with xdotool, shared by the tests that
# use it as a person would. The caller sets wine_run and key.

# Prints the visible dialog windows of Manager (caption "Morvane").
dialogs() {
    xdotool search --onlyvisible --name '^Morvane$' 2>/dev/null || true
}

# Waits for Manager's window and prints its id.
wait_for_dialog() {
    for _ in $(seq 300); do
        window=$(dialogs | head -n 1)
        if [ -n "$window" ]; then
            echo "$window"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Clicks at a point given in the dialog's own units (139 x 145 across the window).
click_at() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove --sync --window "$1" $(($2 * WIDTH / 139)) $(($3 * HEIGHT / 145))
    xdotool click 1
}

# The stored value NAME of the filter's key, as reg query prints it.
stored() {
    "$wine_run" reg query "$key" /v "$1" | tr -d '\r' | awk -v name="$1" '$1 == name { print $3 }'
}
