#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the pictures in docs/ from the real program under Xvfb:
#   main-window.png        the main window as it opens
#   main-window-green.png  after ticking both confirmation boxes, choosing
#                          "Vihreä" and pressing Alt+K
#   advert.png             the advert box that "Avaa" shows (the program is
#                          pointed at /dev/null, which is no drive, so no real
#                          tray ever moves; the advert comes all the same)
#   about-window.png       the About window once its portrait has landed
#   main-window-dark-gnome.png  the main window on a dark GNOME desktop (Qt's
#                          GTK theme with Adwaita's dark variant), on the
#                          screen's black ground
#   main-window-scale-2.png     the main window at twice the scale
#                          (QT_SCALE_FACTOR=2), as on a high-DPI screen
# The display runs no window manager, so each picture is a window's own
# client area, without title bar or frame.
# Usage: docs/make-screenshots.sh [PROGRAM]   (default: build it first)
# Run it again whenever the look of a window changes, and commit the PNGs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
docs=$root/docs

"$root/scripts/install-deps.sh" build test package desktops
if [ $# -ge 1 ]; then
    program=$(realpath "$1")
else
    build=$root/build/screenshots
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
    nice cmake --build "$build" --target vorkula-ponkka
    program=$build/app/vorkula-ponkka
fi

# The rest runs again on a private X server with a black root window, which
# the test harnesses' display helper starts and stops.
if [ -z "${VP_SCREENSHOT_DISPLAY:-}" ]; then
    VP_SCREENSHOT_DISPLAY=1 PYTHONPATH="$root/tests/support" PYTHONDONTWRITEBYTECODE=1 \
        exec /usr/bin/python3 -m harness.display -br -- "$0" "$program"
fi

work=$(mktemp -d)
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Waits for a visible window whose title is exactly $1 and prints its id.
window_named() {
    local id
    for _ in $(seq 150); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "no window '$1' appeared" >&2
    return 1
}

# Keys go through the X test extension to the window that has the focus, as
# typed ones do.

# Captures a window's client area into docs/$2.
capture() {
    sleep 0.5 # let the last paint reach the screen
    import -window "$1" "$docs/$2"
    echo "$2: $(identify -format '%wx%h' "$docs/$2")"
}

# The windows' titles, sizes and controls' places, as the tests know them.
facts() { PYTHONPATH="$root/tests/support" PYTHONDONTWRITEBYTECODE=1 python3 -m harness.facts "$@"; }

# Clicks go to the middle of a main-window control; the menu bar lies above
# the client area, so its height is added.
click_control() { # NAME
    local x y
    read -r x y < <(facts main_window "$1")
    xdotool mousemove --window "$main" "$x" $(( y + menu_bar )) click 1
    sleep 0.2
}

# Starts the program with the variables given (NAME=VALUE ...) and waits for
# its main window; Qt's run-time folder lives in the work folder, not in /tmp.
mkdir -m 700 "$work/runtime"
start_program() {
    env -u QT_QPA_PLATFORM LANG=C.UTF-8 XDG_RUNTIME_DIR="$work/runtime" "$@" \
        "$program" --device /dev/null >"$work/program.log" 2>&1 &
    app_pid=$!
    main=$(window_named "$(facts main_window title)")
}
stop_program() {
    kill "$app_pid"
    wait "$app_pid" 2>/dev/null || true
    app_pid=
}

start_program
eval "$(xdotool getwindowgeometry --shell "$main")"
read -r _ client_height < <(facts main_window client)
menu_bar=$(( HEIGHT - client_height ))
capture "$main" main-window.png

click_control Check2   # "EN ole Rutabo."
click_control Check3   # "Ihan tosi !"
click_control Option2  # "Vihreä"
xdotool key alt+k
capture "$main" main-window-green.png

click_control CmdPonkka  # "&Avaa"
advert=$(window_named "$(facts)")
capture "$advert" advert.png
xdotool windowfocus --sync "$advert" key Return
sleep 0.3

# Tiedosto, then its first entry, Tietoja.
xdotool mousemove --window "$main" 20 $(( menu_bar / 2 )) click 1
sleep 0.3
xdotool key Down Return
about=$(window_named "$(facts about_window title)")
sleep 8.5 # the portrait slides for eight seconds
capture "$about" about-window.png

stop_program

# With no window manager the window sits in the top left corner; moved in a
# little, the screen's black ground shows round it.
start_program XDG_CURRENT_DESKTOP=GNOME GTK_THEME=Adwaita:dark
xdotool windowmove --sync "$main" 24 24
eval "$(xdotool getwindowgeometry --shell "$main")"
sleep 0.5
import -window root -crop "$(( WIDTH + 48 ))x$(( HEIGHT + 48 ))+0+0" +repage "$docs/main-window-dark-gnome.png"
echo "main-window-dark-gnome.png: $(identify -format '%wx%h' "$docs/main-window-dark-gnome.png")"
stop_program

start_program QT_SCALE_FACTOR=2
capture "$main" main-window-scale-2.png
stop_program
