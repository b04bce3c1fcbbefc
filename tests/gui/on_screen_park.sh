#!/usr/bin/env bash
# "Park" on a display (Xvfb) while static parking runs: the program with its GTK backend runs
# the KLAX demo on the web API road (the simulator stand-in world and the web API stand-in,
# no fixed ports); once static parking has planned KLAX and given the parking controls back
# (with the feed light, the data source, the AI-package choice and the next parking update as
# the counts capture shows them), the test clicks "Park" and takes screenshots until one shows
# what "Park" does: the status line "Skyloom will update static parking soon ..." and "Park"
# and "Flush" disabled, each region equal to window_capture's headless capture of that state.
# That state lasts only while static parking plans again: 1.2 to 1.7 s at a load of 45 on 8
# cores, where the plan keeps the aircraft already parked, while ImageMagick's "import" took
# about a second a screenshot (60 in 60 s missed it). The screenshots are raw window dumps (xwd,
# some 0.05 s each), taken back to back in the background, and every one is compared in its
# turn; the taker keeps at most 100 uncompared ahead of the comparisons (some 270 MB). The
# flight messages, which take the status line whenever an aircraft of the replay takes off or
# lands, go to the log instead. The next parking update counts down a minute at a time from
# the plan on: it is compared with the captures of every value the countdown can show by then.
# Each wait ends at its event; its limit, in seconds of the test's own time, only ends a run
# that went wrong, within ctest's. Skipped (exit 77) without the public data of ../shared or
# where xvfb-run, Xvfb, xdotool, xwd or imagemagick is missing.
# usage: on_screen_park.sh SOURCE BUILD PROGRAM WINDOW_CAPTURE RTAPI_STANDIN OUTPUT_FOLDER
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    for tool in xvfb-run Xvfb xdotool xwd import compare convert python3; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIPPED: $tool is not installed"
            exit 77
        fi
    done
    if [ ! -f "$1/../shared/feed/recordings/KLAX_20200617_2152.csv" ]; then
        echo "SKIPPED: the public data of ../shared is not there"
        exit 77
    fi
    exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside "$@"
fi
shift
source=$1
build=$2
program=$3
capture=$4
standin=$5
out=$6

# The limits of the waits, seconds: for a stand-in to say where it listens, for the window to
# show, for static parking to give the controls back (45 to 48 s from the start at a load of 45
# on 8 cores) and for the window to show what "Park" does.
STANDIN_WAIT_S=60
WINDOW_WAIT_S=120
PLANNED_WAIT_S=360
PARK_SHOWN_WAIT_S=60
# PARKING_INTERVAL_MINUTES, as the demo's settings and the counts capture have it.
PARKING_INTERVAL_MINUTES=30

fail() {
    echo "FAILED: $*"
    [ -f "$demo/skyloom/Log.txt" ] && tail -n 30 "$demo/skyloom/Log.txt"
    exit 1
}

rm -rf "$out"
mkdir -p "$out/runtime"
chmod 700 "$out/runtime"
demo="$out/demo"
python3 "$source/scripts/demo.py" prepare --shared "$source/../shared" --build "$build" \
    --demo "$demo" --road api >"$out/prepare.txt" 2>&1 || { cat "$out/prepare.txt"; exit 1; }
parameters="$demo/appdata/Skyloom/parameters.xml"
sed -i 's|  </parameters>|    <parameter name="FLIGHT_MESSAGES" value="false" />\n&|' "$parameters"
grep -q 'name="FLIGHT_MESSAGES" value="false"' "$parameters" ||
    { echo "FAILED: the flight messages could not be turned off in $parameters"; exit 1; }

standin_pid=""
area_pid=""
program_pid=""
shooter_pid=""
cleanup() {
    [ -n "$shooter_pid" ] && kill -TERM "$shooter_pid" 2>/dev/null
    [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null
    [ -n "$standin_pid" ] && kill -TERM "$standin_pid" 2>/dev/null
    [ -n "$area_pid" ] && kill -TERM "$area_pid" 2>/dev/null
    true
}
trap cleanup EXIT

# Each stand-in's output file is made before the stand-in starts: the redirection of a
# background command is opened by the child, which a loaded machine may not run before the loop
# below reads the file, and under "set -e" a read of a file not yet there ended the test.
: >"$out/rtapi_standin.txt"
"$standin" --recordings "$demo/rtapi-recordings" --live KLAX_live.json \
    >"$out/rtapi_standin.txt" 2>&1 &
standin_pid=$!
url=""
deadline=$((SECONDS + STANDIN_WAIT_S))
while [ "$SECONDS" -lt "$deadline" ]; do
    url=$(sed -n 's/^RealTraffic web API stand-in at \([^ ]*\).*/\1/p' "$out/rtapi_standin.txt")
    [ -n "$url" ] && break
    sleep 0.1
done
[ -n "$url" ] || fail "the web API stand-in did not start within $STANDIN_WAIT_S s"

# The download area, where the demo keeps KLAX's airport file.
: >"$out/download_area.txt"
"$build/tools/download_server/skyloom_download_server" --root "$demo/download-area" \
    >"$out/download_area.txt" 2>&1 &
area_pid=$!
area_url=""
deadline=$((SECONDS + STANDIN_WAIT_S))
while [ "$SECONDS" -lt "$deadline" ]; do
    area_url=$(sed -n 's/^Serving .* at \([^ ]*\) (fault.*/\1/p' "$out/download_area.txt")
    [ -n "$area_url" ] && break
    sleep 0.1
done
[ -n "$area_url" ] || fail "the download-area stand-in did not start within $STANDIN_WAIT_S s"

export SKYLOOM_WORKDIR="$demo/skyloom" SKYLOOM_APPDATA="$demo/appdata"
export SKYLOOM_LOCALAPPDATA="$demo/localappdata" SKYLOOM_SIMWORLD="$demo/world/KLAX.world.json"
export SKYLOOM_RTAPI_URL="$url" XDG_RUNTIME_DIR="$out/runtime" NO_AT_BRIDGE=1
export SKYLOOM_DOWNLOAD_BASE="$area_url"
program_started=$SECONDS
(cd "$SKYLOOM_WORKDIR" && exec "$program") >"$out/program_output.txt" 2>&1 &
program_pid=$!

window=$(timeout "$WINDOW_WAIT_S" xdotool search --sync --onlyvisible --name '^Skyloom$' |
    head -n 1) || fail "the program's window did not show within $WINDOW_WAIT_S s"
[ -n "$window" ] || fail "the program's window did not show within $WINDOW_WAIT_S s"

# The states to compare with, as the headless window draws them at 96 DPI.
"$capture" --counts "$out/counts.png" >/dev/null
"$capture" --park "$out/park_pushed.png" >/dev/null
# Regions as WIDTHxHEIGHT+X+Y: the bottom line, "Park" and "Flush".
regions=("900x32+0+736" "80x26+765+509" "80x26+765+609")
# What the run shows once static parking has placed its plan, as the counts capture shows it on
# the web API's road: the feed light (green: the session stands and the reader receives), the
# data source naming the session's licence and the AI-package choice open again after the
# automatic livery scan; and the minutes to the next parking update in the panel's second row.
planned_regions=("80x26+765+509" "80x26+765+609" "32x62+436+34" "260x28+490+35"
                 "200x22+331+163")
next_update_region="300x28+0+673"
# One process a comparison: the reference's region is cut once, the screenshot's is read cut
# ("file[region]"). At a load of 50, with the program under ThreadSanitizer, three processes a
# region let the comparisons fall so far behind the screenshots that the taker, held to 40
# ahead, took one every 0.8 s and missed the "Park" state.
same_region() { # same_region REFERENCE SCREENSHOT REGION
    local part
    part="$out/reference_$(basename "$1" .png)_${3//[x+]/_}.png"
    [ -f "$part" ] || convert "$1" -crop "$3" +repage "$part"
    compare -metric AE "$part" "$2[$3]" null: >/dev/null 2>&1
}
# The next parking update as the counts capture draws it at a value the countdown can show by
# now: the interval from the plan on, a minute less at each minute of the program's main loop.
next_update_shown() { # next_update_shown SCREENSHOT
    local least=$((PARKING_INTERVAL_MINUTES - (SECONDS - program_started) / 60))
    local minutes
    for ((minutes = PARKING_INTERVAL_MINUTES; minutes >= least && minutes >= 1; minutes--)); do
        [ -f "$out/next_update_$minutes.png" ] ||
            "$capture" --next-update "$minutes" "$out/next_update_$minutes.png" >/dev/null
        same_region "$out/next_update_$minutes.png" "$1" "$next_update_region" && return 0
    done
    return 1
}

# Static parking has planned KLAX and the traffic step has placed the plan: "Park" and
# "Flush" are enabled again, and the rest of planned_regions show as the counts capture does.
planned=no
deadline=$((program_started + PLANNED_WAIT_S))
while [ "$SECONDS" -lt "$deadline" ]; do
    kill -0 "$program_pid" 2>/dev/null || fail "the program ended early"
    if grep -q "positions (" "$demo/skyloom/Log.txt" 2>/dev/null; then
        import -window "$window" "$out/before.png"
        planned=yes
        for region in "${planned_regions[@]}"; do
            same_region "$out/counts.png" "$out/before.png" "$region" || { planned=no; break; }
        done
        [ "$planned" = yes ] && next_update_shown "$out/before.png" || planned=no
        [ "$planned" = yes ] && break
    fi
    sleep 0.5
done
if [ "$planned" != yes ]; then
    for region in "${planned_regions[@]}"; do
        same_region "$out/counts.png" "$out/before.png" "$region" ||
            echo "differs from the counts capture: $region"
    done
    next_update_shown "$out/before.png" ||
        echo "differs from the counts capture at every minute the countdown can show: $next_update_region"
    fail "static parking at KLAX did not give the parking controls back within $PLANNED_WAIT_S s, or the feed light, the data source, the AI-package choice or the next parking update differ from the counts capture (see $out)"
fi

# The screenshots after "Park", back to back until one shows what it does or the limit ends
# them, each kept under its number once whole.
shots="$out/shots"
mkdir -p "$shots"
: >"$shots/taking"
(
    shot=0
    deadline=$((SECONDS + PARK_SHOWN_WAIT_S))
    while [ -f "$shots/taking" ] && [ "$SECONDS" -lt "$deadline" ]; do
        pending=("$shots"/*.xwd)
        if [ "${#pending[@]}" -ge 100 ]; then
            sleep 0.1
            continue
        fi
        shot=$((shot + 1))
        xwd -id "$window" -silent >"$shots/part" && mv "$shots/part" "$shots/$shot.xwd"
    done
    : >"$shots/done"
) &
shooter_pid=$!
# "Park": (765, 509), 80 x 26 in the layout, 96 DPI under Xvfb.
xdotool mousemove --window "$window" 805 522 click 1
# Each screenshot in the order taken: the wait ends at the first that shows "Park" done, or
# once the last one taken is compared.
shown=no
shot=1
differ=""
while :; do
    if [ ! -f "$shots/$shot.xwd" ]; then
        [ -f "$shots/done" ] && [ ! -f "$shots/$shot.xwd" ] && break
        sleep 0.1
        continue
    fi
    shown=yes
    for region in "${regions[@]}"; do
        same_region "$out/park_pushed.png" "$shots/$shot.xwd" "$region" ||
            { shown=no; differ=$region; break; }
    done
    [ "$shown" = yes ] && break
    # The last one compared stays for the report of a failure.
    rm -f "$shots/$((shot - 1)).xwd"
    shot=$((shot + 1))
done
rm -f "$shots/taking"
wait "$shooter_pid" || true
shooter_pid=""
# What was taken beyond the one compared last is not needed: some 2.7 MB a dump.
find "$shots" -name '*.xwd' ! -name "$((shot - 1)).xwd" ! -name "$shot.xwd" -delete
[ "$shown" = yes ] ||
    fail "after \"Park\" none of $((shot - 1)) screenshots in $PARK_SHOWN_WAIT_S s showed the status line, \"Park\" and \"Flush\" as the headless capture does (the last differs at $differ; see $shots)"

# An orderly end: SIGTERM closes the window as its close button does.
kill -TERM "$program_pid"
status=0
wait "$program_pid" || status=$?
program_pid=""
[ "$status" -eq 0 ] || fail "the program ended with $status"
echo "on screen: \"Park\" showed its status line and disabled \"Park\" and \"Flush\""
