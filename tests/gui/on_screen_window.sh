#!/usr/bin/env bash
# The program on a display (Xvfb) with its GTK backend: started from a working folder without
# "docs", its worker stops at the working-folder check and shows why on the error line, and
# the window stays for the 25 s that a "SYSTEM ERROR" waits before the program ends. Meanwhile
# the test finds the window, checks its size, clicks the compact switch, checks the new size
# and takes a screenshot; once the program has ended by itself (exit code 0), the screenshot
# is compared with window_capture's headless capture of the same state (compact, that error
# line, taken from the log). Skipped (exit 77) where xvfb-run, Xvfb, xdotool or imagemagick is
# missing.
# usage: on_screen_window.sh PROGRAM WINDOW_CAPTURE OUTPUT_FOLDER
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    for tool in xvfb-run Xvfb xdotool import compare; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIPPED: $tool is not installed"
            exit 77
        fi
    done
    exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside "$@"
fi
shift
program=$1
capture=$2
out=$3

# The limits of the waits, seconds of the test's own time: each wait ends at its event, the
# limit only ends a run that went wrong. The program itself ends 25 s after its error.
WINDOW_WAIT_S=60
RESIZE_WAIT_S=20
SETTLE_WAIT_S=20

fail() {
    echo "FAILED: $*"
    exit 1
}

rm -rf "$out"
mkdir -p "$out/run" "$out/roaming" "$out/local" "$out/runtime"
chmod 700 "$out/runtime"
export SKYLOOM_WORKDIR="$out/run" SKYLOOM_APPDATA="$out/roaming" SKYLOOM_LOCALAPPDATA="$out/local"
export XDG_RUNTIME_DIR="$out/runtime" NO_AT_BRIDGE=1

"$program" >"$out/program_output.txt" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

# Width and height of a window as "WIDTHxHEIGHT".
size_of() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "${WIDTH}x${HEIGHT}"
}

window=$(timeout "$WINDOW_WAIT_S" xdotool search --sync --onlyvisible --name '^Skyloom$' |
    head -n 1) || fail "the program's window did not show within $WINDOW_WAIT_S s"
[ -n "$window" ] || fail "the program's window did not show within $WINDOW_WAIT_S s"
size=$(size_of "$window")
[ "$size" = "900x768" ] || fail "the expanded window is $size, not 900x768"

# The compact switch: (765, 4)-(855, 30) in the layout, 96 DPI under Xvfb.
xdotool mousemove --window "$window" 810 17 click 1
deadline=$((SECONDS + RESIZE_WAIT_S))
while [ "$SECONDS" -lt "$deadline" ]; do
    size=$(size_of "$window")
    [ "$size" = "900x128" ] && break
    sleep 0.1
done
[ "$size" = "900x128" ] ||
    fail "after the compact switch the window is $size, not 900x128, after $RESIZE_WAIT_S s"

# The picture follows the size: wait until two screenshots in a row agree.
import -window "$window" "$out/screen.png"
settled=no
deadline=$((SECONDS + SETTLE_WAIT_S))
while [ "$SECONDS" -lt "$deadline" ]; do
    sleep 0.2
    import -window "$window" "$out/screen_next.png"
    if compare -metric AE "$out/screen.png" "$out/screen_next.png" null: >/dev/null 2>&1; then
        settled=yes
        break
    fi
    mv "$out/screen_next.png" "$out/screen.png"
done
[ "$settled" = yes ] || fail "the window's picture did not settle within $SETTLE_WAIT_S s"

# The program ends by itself after the pause of a "SYSTEM ERROR".
status=0
wait "$pid" || status=$?
trap - EXIT
[ "$status" -eq 0 ] || fail "the program ended with $status"

error=$(sed -n 's/^Error //p' "$out/run/Log.txt" | head -n 1)
[ -n "$error" ] || fail "the log holds no error line"
"$capture" --compact --error "$error" "$out/headless.png" >/dev/null
differing=$(compare -metric AE "$out/headless.png" "$out/screen.png" "$out/difference.png" 2>&1) ||
    fail "the screenshot differs from the headless capture in $differing pixels (see $out)"
echo "on screen: 900x768, compact 900x128, screenshot equal to the headless capture"
