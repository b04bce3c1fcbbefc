"""The end-to-end run's checks, each on what the run left behind: the simulator stand-in's AI
report and trace and the program's log. Each returns a list of failures and prints its figures."""
import bisect
import csv
import math
import re
from pathlib import Path

from flight_measures import (HEADING_OFF_TRACK_MAX_DEG, HEADING_OFF_TRACK_P95_DEG,
                             MEASURED_HEIGHT_FT, TURN_LIMITS, VERTICAL_SPEED_OFF_MAX_FPM,
                             capture_reports, flight_figures, helicopter_types, nose_failures,
                             read_flight_trace, turn_limits)
from report_timeline import (FLIGHT_STEP_SPEED_MARGIN, GROUND_STEP_SPEED_MARGIN, SPEED_SPAN_S,
                             covered, fast_steps, held_windows, judge_steps, schedule_clock,
                             schedule_leads, step_margin, to_metres)

# Marked lines a sound run logs. Each entry is a pattern and why the line is expected.
EXPECTED_ERROR_LINES = [
    (r"AIG-regcodes\.enc not available",
     "the prepared working folder holds no AIG registration table"),
    (r"^==> Download of \S+/downloads/MSFS/archive/stock/\w+\.enc failed: HTTP status 404$",
     "the run's download area holds the park airport's file only, not those of the airports "
     "that live aircraft come from or go to"),
    (r"^==> RealTraffic App connected from ", "a note, not an error"),
    (r"^==> Stop requested: USER CLOSED SIM \(4\)", "the test's SIGTERM closing the program"),
    (r"^==> RealTraffic App disconnected: server closed", "the program closing its App server"),
]


# The cleanup the program logs when it closes down.
CLEANUP = re.compile(r"SimConnect shutdown cleanup: initially owned (\d+), remove requested (\d+), "
                     r"confirmed (\d+), pending removals (\d+), pending creates (\d+)")
# Fewer live objects than this matched to the capture means the run itself went wrong.
MIN_LIVE_OBJECTS = 20
# Bounds of docs/motion.md ("End-to-end bounds and their margins"), per live object: its trace
# points' distance from its captured track, metres (median, largest), ...
OBJECT_MEDIAN_BOUND_M = 50.0
OBJECT_LARGEST_BOUND_M = 1500.0
# ... and of all measured points together (median, 95th percentile).
POOLED_BOUNDS_M = (5.0, 100.0)
# Fewer measured points than this a second of the world's running with objects (a run of the
# App road measures 130 a second, one under ThreadSanitizer on a starved machine 70) means the
# run itself went wrong.
MIN_MEASURED_POINTS_PER_S = 40.0


def capture_tracks(capture: Path):
    """Per hexid of the capture: its type, every callsign and registration it had, and its
    positions in time order as (time s, latitude, longitude, ground speed kt)."""
    tracks = {}
    with capture.open(encoding="utf-8", errors="replace") as f:
        for row in csv.reader(f):
            if len(row) > 14 and row[0] == "AITFC":
                track = tracks.setdefault(row[1], {"points": [], "names": set()})
                track["type"] = row[10].strip().upper()
                track["names"] |= {row[9].strip().upper(), row[11].strip().upper()} - {""}
                track["points"].append((int(row[14]), float(row[2]), float(row[3]), float(row[8])))
                track.setdefault("courses", {})[(int(row[14]), float(row[2]), float(row[3]))] = (
                    float(row[7]), row[6].strip() == "1")
    for track in tracks.values():
        track["points"].sort()
    return tracks


# Between two airborne reports the path the reports describe leaves the first along its
# reported track and reaches the second along its own (a cubic Hermite curve with tangents as
# long as the leg); in a turn it follows the arc that the polyline of the positions cuts.
PATH_SPEED_FLOOR_KT = 30.0
PATH_LARGEST_OFFSET_DEG = 90.0
PATH_POINTS_PER_LEG = 8


def reported_path(track, metres):
    """The capture's path of one aircraft in the flat frame `metres` gives."""
    points = track["points"]
    path = [metres(points[0][1], points[0][2])]
    for a, b in zip(points, points[1:]):
        (ax, ay), (bx, by) = metres(a[1], a[2]), metres(b[1], b[2])
        chord = math.hypot(bx - ax, by - ay)
        course_a, airborne_a = track["courses"][a[:3]]
        course_b, airborne_b = track["courses"][b[:3]]
        bearing = math.degrees(math.atan2(bx - ax, by - ay))
        if (chord < 1.0 or not (airborne_a and airborne_b)
                or min(a[3], b[3]) < PATH_SPEED_FLOOR_KT
                or max(abs((c - bearing + 180.0) % 360.0 - 180.0) for c in (course_a, course_b))
                > PATH_LARGEST_OFFSET_DEG):
            path.append((bx, by))
            continue
        ta = (chord * math.sin(math.radians(course_a)), chord * math.cos(math.radians(course_a)))
        tb = (chord * math.sin(math.radians(course_b)), chord * math.cos(math.radians(course_b)))
        for k in range(1, PATH_POINTS_PER_LEG + 1):
            u = k / PATH_POINTS_PER_LEG
            h00, h10, h01, h11 = (2 * u**3 - 3 * u**2 + 1, u**3 - 2 * u**2 + u,
                                  -2 * u**3 + 3 * u**2, u**3 - u**2)
            path.append((h00 * ax + h10 * ta[0] + h01 * bx + h11 * tb[0],
                         h00 * ay + h10 * ta[1] + h01 * by + h11 * tb[1]))
    return path


def live_track_of(obj, tracks_by_name):
    """The capture's aircraft an object stands for (by its ATC id), None for static ones."""
    return tracks_by_name.get(obj["atc_id"])


def check_liveries(objects, tracks_by_name, livery_types) -> list:
    """Every object wears an installed livery; a live aircraft's is of its captured type."""
    failures, matched = [], 0
    for obj in objects:
        livery_type = livery_types.get(obj["livery"].lower())
        if livery_type is None:
            failures.append(f"object {obj['id']}: livery '{obj['livery']}' is not installed")
            continue
        track = live_track_of(obj, tracks_by_name)
        if track is None or not track["type"]:
            continue
        matched += 1
        if livery_type != track["type"]:
            failures.append(f"object {obj['id']} ({obj['atc_id']}): livery '{obj['livery']}' of "
                            f"type {livery_type}, the capture says {track['type']}")
    print(f"liveries: {len(objects)} objects, {matched} live ones of a captured type")
    if matched < MIN_LIVE_OBJECTS:
        failures.append(f"only {matched} created objects match a captured aircraft "
                        f"(at least {MIN_LIVE_OBJECTS} expected)")
    return failures


def read_trace(path: Path):
    """The world's trace: per object id its points (seconds, latitude, longitude, on ground)."""
    points = {}
    for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
        f = line.split(";")
        points.setdefault(f[1], []).append((float(f[0]), float(f[3]), float(f[4]), f[7] == "1"))
    return points


def distance_to_polyline(p, line) -> float:
    best = math.inf
    for (ax, ay), (bx, by) in zip(line, line[1:] or line):
        dx, dy = bx - ax, by - ay
        length2 = dx * dx + dy * dy
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((p[0] - ax) * dx + (p[1] - ay) * dy) / length2))
        best = min(best, math.hypot(p[0] - ax - t * dx, p[1] - ay - t * dy))
    return best


# Where the world's trace holds no line for more than WORLD_GAP_S while objects were there
# before and after, the world itself did not run: a machine starved by other builds and a
# sanitizer (under ThreadSanitizer at a load of 35 on 8 cores the gaps came to 2 to 50 s), after
# which the program moves its objects at once to where they are due. Each object's trace is
# measured in pieces between such gaps, each from SETTLE_S after its start, as a new object's.
# After a gap longer than the program catches up (MOST_CATCH_UP_S; it gives the rest up as a
# longer playback delay) the run's clock is no longer the one measured: nothing after it is.
WORLD_GAP_S = 1.0
MOST_CATCH_UP_S = 30.0


def world_gaps(trace):
    """The gaps of the world's trace (start, end, world seconds) that objects span."""
    times = sorted({p[0] for points in trace.values() for p in points})
    spans = [(points[0][0], points[-1][0]) for points in trace.values() if points]
    return [(a, b) for a, b in zip(times, times[1:])
            if b - a > WORLD_GAP_S and any(first <= a and b <= last for first, last in spans)]


def running_seconds(trace) -> float:
    """How long the world ran with objects: the time between the lines of its trace that lie at
    most WORLD_GAP_S apart."""
    times = sorted({p[0] for points in trace.values() for p in points})
    return sum(b - a for a, b in zip(times, times[1:]) if b - a <= WORLD_GAP_S)


def cut_at_gaps(objects, trace, gaps):
    """The objects and their traces in pieces between the gaps (a piece after the n-th gap is
    object "<id>#<n>"), without what follows a gap longer than MOST_CATCH_UP_S."""
    end = min((a for a, b in gaps if b - a > MOST_CATCH_UP_S), default=math.inf)
    cuts = [b for a, b in gaps if a < end]
    pieces, cut = [], {}
    for obj in objects:
        points = [p for p in trace.get(obj["id"], []) if p[0] <= end]
        times = [p[0] for p in points]
        bounds = [0] + [bisect.bisect_left(times, at) for at in cuts] + [len(points)]
        for n, (first, last) in enumerate(zip(bounds, bounds[1:])):
            if last > first:
                piece = obj["id"] if n == 0 else f"{obj['id']}#{n}"
                pieces.append(dict(obj, id=piece))
                cut[piece] = points[first:last]
    return pieces, cut


def capture_time_offset(objects, tracks_by_name, trace):
    """Capture time less world time: the program creates a live aircraft at a report's position
    at that report's time plus its playback delay, the same for every aircraft of a run."""
    offsets = []
    for obj in objects:
        track, points = live_track_of(obj, tracks_by_name), trace.get(obj["id"])
        if track and points:
            created = points[0]
            offsets += [t - created[0] for t, lat, lon, _ in track["points"]
                        if abs(lat - created[1]) < 1e-6 and abs(lon - created[2]) < 1e-6][:1]
    return sorted(offsets)[len(offsets) // 2] if offsets else None


def percentile(values, share) -> float:
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def cross_track(points, track, offset):
    """Cross-track distances (m) from the reported path of the points where the capture covers
    the aircraft."""
    metres = to_metres(track["points"][0][1])
    line = reported_path(track, metres)
    times = [p[0] for p in track["points"]]
    return [distance_to_polyline(metres(lat, lon), line) for t, lat, lon, _ in points
            if covered(times, t + offset)]


def step_failures(fast_by_object):
    """The steps faster than their reports allow (report_timeline.judge_steps: at most one per
    object, its worst; several objects at once are a stall), and the stalls."""
    worst, stalls = judge_steps(fast_by_object)
    failures = [f"{name}: {length:.1f} m in {seconds:.1f} s at {kt:.0f} kt "
                f"{'in the air' if airborne else 'on the ground'} at capture time {at:.1f}, "
                f"its reports give {reported:.0f} kt there (at most {step_margin(step)} times)"
                for name, step in worst.items()
                for at, kt, reported, length, seconds, airborne in [step]]
    return failures, stalls


def figures(cross):
    return percentile(cross, 0.5), percentile(cross, 0.95), max(cross)


def check_motion(objects, tracks_by_name, trace, flight_trace, offset) -> list:
    """Each live object's trace lies along its captured track and moves no faster than the
    aircraft's reports around each step give; `offset` is the run's clock (capture_clock)."""
    failures, worst, pooled, fastest, fast = [], [0.0] * 3, [], {True: 0.0, False: 0.0}, {}
    for obj in objects:
        track = live_track_of(obj, tracks_by_name)
        points = trace.get(obj["id"], [])
        if track is None or len(points) < 2:
            continue
        cross = cross_track(points, track, offset)
        name = f"object {obj['id']} ({obj['atc_id']})"
        if len(flight_trace.get(obj["id"], [])) >= 2:
            fast[name], ratios = fast_steps(flight_trace[obj["id"]], track, offset)
            fastest = {k: max(fastest[k], ratios[k]) for k in fastest}
        if not cross:
            continue
        pooled += cross
        own = figures(cross)
        worst = [max(w, v) for w, v in zip(worst, own)]
        if own[0] > OBJECT_MEDIAN_BOUND_M or own[2] > OBJECT_LARGEST_BOUND_M:
            failures.append(f"{name}: cross-track {own[0]:.0f} / {own[1]:.0f} / {own[2]:.0f} m")
    too_fast, stalls = step_failures(fast)
    failures += too_fast
    seconds = running_seconds(trace)
    if len(pooled) < MIN_MEASURED_POINTS_PER_S * seconds:
        return failures + [f"only {len(pooled)} trace points measured in {seconds:.0f} s of the "
                           f"world's running with objects"]
    everyone = figures(pooled)
    print(f"motion: {len(pooled)} trace points: cross-track {everyone[0]:.1f} / {everyone[1]:.1f} / "
          f"{everyone[2]:.1f} m; worst object {worst[0]:.1f} / {worst[1]:.1f} / {worst[2]:.1f} m; "
          f"fastest step over {SPEED_SPAN_S:.0f} s or more {fastest[True]:.2f} x the speed its "
          f"reports give in the air (at most {FLIGHT_STEP_SPEED_MARGIN}), {fastest[False]:.2f} x "
          f"on the ground (at most {GROUND_STEP_SPEED_MARGIN}); "
          f"{len(stalls)} stalls{': ' if stalls else ''}"
          + ", ".join(f"{n} objects at capture time {at:.1f} up to {x:.2f} x their bound"
                      for at, n, x in stalls))
    if everyone[0] > POOLED_BOUNDS_M[0] or everyone[1] > POOLED_BOUNDS_M[1]:
        failures.append(f"cross-track of all points {everyone[0]:.1f} / {everyone[1]:.1f} m "
                        f"beyond {POOLED_BOUNDS_M}")
    return failures


def check_flight(objects, reports_by_name, tracks_by_name, flight_trace, offset,
                 helicopters, limits) -> list:
    """Each live aeroplane's nose points where it flies and where it rolls, its direction of
    flight has no corners and its vertical speed keeps to the reported one."""
    failures, pooled, low = [], [], (0.0, 0.0)
    for obj in objects:
        reports = reports_by_name.get(obj["atc_id"])
        track = live_track_of(obj, tracks_by_name)
        points = flight_trace.get(obj["id"], [])
        if (not reports or len(reports) < 2 or len(points) < 2 or track is None
                or track["type"] in helicopters):
            continue
        figures = flight_figures(points, reports, offset,
                                 limits.get(track["type"], TURN_LIMITS["jet"]))
        pooled += figures
        name = f"object {obj['id']} ({obj['atc_id']})"
        nose, ground_off, low_off = nose_failures(name, points, offset)
        failures += nose
        low = (max(low[0], ground_off), max(low[1], low_off))
        for index, bound, text in ((1, lambda f: HEADING_OFF_TRACK_MAX_DEG,
                                    "the nose {:.0f} degrees off the direction of flight"),
                                   (2, lambda f: f[4], "the direction of flight turning "
                                    "{:.1f} degrees a second"),
                                   (3, lambda f: VERTICAL_SPEED_OFF_MAX_FPM, "a vertical speed "
                                    "{:.0f} fpm off the reported one")):
            worst = max((f for f in figures if f[index] is not None),
                        key=lambda f: f[index] - bound(f), default=None)
            if worst is not None and worst[index] > bound(worst):
                failures.append(f"{name}: {text.format(worst[index])} at capture time "
                                f"{worst[0]:.1f}, at most {bound(worst):.1f}")
    if not pooled:
        return failures + ["no trace point of a live object in flight was measured"]
    off = [f[1] for f in pooled]
    print(f"flight: {len(pooled)} trace points in flight: heading off the track "
          f"{percentile(off, 0.95):.1f} deg at the 95th percentile, {max(off):.1f} deg at most; "
          f"track turn rate {max((f[2] for f in pooled if f[2] is not None), default=0):.1f} deg/s "
          f"at most away from fast-turning reports; vertical speed "
          f"{max((f[3] for f in pooled if f[3] is not None), default=0):.0f} fpm at most off the "
          f"reports'; the nose {low[1]:.1f} deg at most off the direction of flight below "
          f"{MEASURED_HEIGHT_FT:.0f} ft, {low[0]:.1f} deg off the direction of motion on the "
          f"ground")
    if percentile(off, 0.95) > HEADING_OFF_TRACK_P95_DEG:
        failures.append(f"heading off the track {percentile(off, 0.95):.1f} deg at the 95th "
                        f"percentile, beyond {HEADING_OFF_TRACK_P95_DEG}")
    return failures


# How far a live aeroplane may keep ahead of where its reports put it (report_timeline): in the
# air on the run's clock (capture_clock); on the ground, and in the climb for TAKE_OFF_CLIMB_S
# after the wheels leave it, on the ground's own clock, the median lead of every aeroplane there
# (ground_clock). A ground step reaches each report when it is due, while an aeroplane in the
# air flies a second or two behind its reports (its create takes the simulator some time, and
# an air leg timed by its reported speed does not make that up): on the air's clock a taxiing
# aircraft on time shows about 2 s ahead. The two clocks lie at most SCHEDULE_CLOCKS_APART_S
# apart, so that the ground as a whole cannot run ahead unseen either (docs/motion.md).
# Each aeroplane keeps to a schedule of its own in each phase, a second or so off the clock (the
# offset it was created with, a drift): the lowest lead it kept before, the median of 5 s of
# measures (report_timeline.held_windows). It may keep SCHEDULE_OWN_LEAD_S ahead of that,
# whatever its offset, but never more than SCHEDULE_LEAD_CEILING_S ahead of the clock (an
# aeroplane ahead from its creation on), while SCHEDULE_LEAD_FLOOR_S ahead of the clock it may
# always keep (one late catches up with the others, a taxiing one at 1.2 times the speed its
# reports give, as far as they).
SCHEDULE_OWN_LEAD_S = 3.0
SCHEDULE_LEAD_CEILING_S = 4.0
SCHEDULE_LEAD_FLOOR_S = 2.5
SCHEDULE_CLOCKS_APART_S = 4.8
TAKE_OFF_CLIMB_S = 60.0


def schedule_phases(points, leads, offset):
    """The leads of an object (report_timeline.schedule_leads, of `points` at `offset`) in the
    air and on the ground (with its climb for TAKE_OFF_CLIMB_S after leaving it)."""
    times, grounded, last_ground = [], [], None
    for p in points:
        last_ground = p[0] if p[5] else last_ground
        times.append(p[0])
        grounded.append(last_ground is not None and p[0] - last_ground < TAKE_OFF_CLIMB_S)
    phase = {True: [], False: []}
    for lead in leads:
        k = min(bisect.bisect_left(times, lead[0] - offset - 1e-6), len(times) - 1)
        phase[grounded[k]].append(lead)
    return phase[False], phase[True]


def lead_bound(own) -> float:
    """How far ahead of its phase's clock an object may keep whose own schedule lies `own`
    seconds ahead of that clock."""
    return min(SCHEDULE_LEAD_CEILING_S, max(SCHEDULE_LEAD_FLOOR_S, own + SCHEDULE_OWN_LEAD_S))


def schedule_failures(name, air, ground):
    """Where the object keeps further ahead of its reports than its bound in a phase (`air` and
    `ground` its leads on each phase's clock, as report_timeline.schedule_leads gives them); and
    per phase (the air, the ground) its largest held lead, the largest beyond its own schedule
    and how far its closest lies beyond its bound (None without a held lead)."""
    failures, figures = [], []
    for leads, where in ((air, "in the air"), (ground, "on the ground or climbing out")):
        own, worst, largest, beyond = math.inf, None, -math.inf, -math.inf
        for at, held, level in held_windows(leads):
            own = min(own, level)
            bound = lead_bound(own)
            largest, beyond = max(largest, held), max(beyond, held - own)
            if worst is None or held - bound > worst[0] - worst[1]:
                worst = (held, bound, at, own)
        if worst is None:
            figures.append(None)
            continue
        held, bound, at, own = worst
        figures.append((largest, beyond, held - bound))
        if held > bound:
            failures.append(f"{name}: {held:.1f} s ahead of its reports {where} from capture time "
                            f"{at:.1f} on, {held - own:.1f} s ahead of its own schedule, at most "
                            f"{bound:.1f}")
    return failures, figures


def phased_leads(objects, tracks_by_name, flight_trace, helicopters, offset):
    """Per live aeroplane (helicopters turn on the spot and back up between their reports) its
    leads on its reports (report_timeline.schedule_leads) in the air and on the ground."""
    phased = {}
    for obj in objects:
        track = live_track_of(obj, tracks_by_name)
        points = flight_trace.get(obj["id"], [])
        if track is None or len(points) < 2 or track["type"] in helicopters:
            continue
        phased[f"object {obj['id']} ({obj['atc_id']})"] = schedule_phases(
            points, schedule_leads(points, track, offset), offset)
    return phased


def capture_clock(objects, tracks_by_name, trace, flight_trace, helicopters):
    """Capture time less world time: taken where live objects are created (capture_time_offset)
    and set by the airborne aeroplanes, which keep to their reports' schedule
    (report_timeline.schedule_clock): a create takes the simulator some time, seconds on a
    busy machine (27 s under ThreadSanitizer beside other builds). None without a live object
    created at a captured position."""
    offset = capture_time_offset(objects, tracks_by_name, trace)
    if offset is None:
        return None
    phased = phased_leads(objects, tracks_by_name, flight_trace, helicopters, offset)
    clock = schedule_clock([l[1] for air, _ in phased.values() for l in air])
    print(f"clock: capture time is world time {offset + clock:+.1f} s, the creations' offset "
          f"{clock:+.1f} s")
    return offset + clock


def ground_clock(phased) -> float:
    """The ground's clock against the run's (the air's): the median lead of every aeroplane's
    points on the ground and climbing out (`phased` as phased_leads gives them), which keep
    to their reports' schedule."""
    return schedule_clock([l[1] for _, ground in phased.values() for l in ground])


def check_schedule(objects, tracks_by_name, flight_trace, helicopters, offset) -> list:
    """Each live aeroplane keeps to its reports' schedule along its track: in the air on the
    run's clock, on the ground on the ground's, which lies near the air's."""
    failures, worst = [], [[-math.inf] * 3, [-math.inf] * 3]
    phased = phased_leads(objects, tracks_by_name, flight_trace, helicopters, offset)
    apart = ground_clock(phased)
    for name, (air, ground) in phased.items():
        ahead, figures = schedule_failures(name, air, [(t, l - apart, g) for t, l, g in ground])
        failures += ahead
        worst = [w if f is None else [max(a, b) for a, b in zip(w, f)]
                 for w, f in zip(worst, figures)]
    print(f"schedule: held lead at most {worst[0][0]:.1f} s in the air and {worst[1][0]:.1f} s "
          f"on the ground and climbing out, on the ground's clock {apart:+.1f} s from the "
          f"air's; {worst[0][1]:.1f} and {worst[1][1]:.1f} s ahead of an aeroplane's own "
          f"schedule; {-worst[0][2]:.1f} and {-worst[1][2]:.1f} s within its bound at the "
          f"closest")
    if abs(apart) > SCHEDULE_CLOCKS_APART_S:
        failures.append(f"the aeroplanes on the ground keep {apart:+.1f} s from the schedule of "
                        f"those in the air, at most {SCHEDULE_CLOCKS_APART_S}")
    return failures


def check_on_ground_changes(trace) -> list:
    """Aircraft on the ground stand on it in the world. An aircraft on the ground is created on
    the ground, so its flag changes only at a take-off or a touch-down, which a short run (the
    relaunch's) may not see."""
    changed = sum(1 for points in trace.values()
                  if any(a[3] != b[3] for a, b in zip(points, points[1:])))
    grounded = sum(1 for points in trace.values() if any(p[3] for p in points))
    print(f"on ground: {grounded} objects on the ground, {changed} changed their on-ground flag")
    return [] if grounded else ["no object on the ground in the trace"]


def check_landing_or_parking(counts) -> list:
    print(f"ground: {counts['landed']} touch-downs, {counts['parked']} arrivals parked, "
          f"{counts['created on stands']} created on stands")
    if counts["landed"] + counts["parked"] + counts["created on stands"] == 0:
        return ["no touch-down, no arrival parked and no aircraft created on a stand"]
    return []


def check_removals(objects, lines) -> list:
    """Every removal confirmed at the close-down, and no object of ours left behind."""
    failures = []
    cleanup = [m for m in map(CLEANUP.search, lines) if m]
    if not cleanup:
        failures.append("no shutdown cleanup line in the log")
    else:
        owned, requested, confirmed, pending, creates = map(int, cleanup[-1].groups())
        print(f"cleanup: owned {owned}, remove requested {requested}, confirmed {confirmed}, "
              f"pending removals {pending}, pending creates {creates}")
        if requested != confirmed or pending != 0:
            failures.append(f"shutdown cleanup: {cleanup[-1].group(0)}")
    left = [o["id"] for o in objects if not o["removed"]]
    if left:
        failures.append(f"objects still in the simulator after the close-down: {left}")
    return failures


def check_error_lines(lines) -> list:
    unexpected = [line for line in lines if (line.startswith("==>") or "ERROR" in line)
                  and not any(re.search(p, line) for p, _ in EXPECTED_ERROR_LINES)]
    return [f"unexpected error line in the log: {line}" for line in unexpected]


# The start-up's outcome of the buffered traffic, on either road: one line.
BUFFERED_OUTCOME = re.compile(r"buffered traffic received, \d+ snapshots?$|: \d+ buffered snapshots, "
                              r"\d+ aircraft$|^No buffered traffic from the RealTraffic")


def check_feed_lines(demo, lines) -> list:
    """The buffered traffic came at once and its outcome is logged once per start-up; the
    traffic reader says what it received."""
    failures = []
    outcomes = [line for line in lines if BUFFERED_OUTCOME.search(line)]
    starts = sum(1 for line in lines if re.match(r"(Traffic RTAPIreader|Traffic Reader) "
                                                 r"(started|listening)", line))
    print(f"buffered traffic: {outcomes[0] if outcomes else 'no outcome logged'}")
    if not outcomes or outcomes[0].startswith("No buffered"):
        failures.append(f"the buffered traffic did not come: {outcomes[:1]}")
    if len(outcomes) != starts:
        failures.append(f"{len(outcomes)} outcome lines of the buffered traffic for {starts} "
                        f"reader starts: {outcomes}")
    received = demo.last_match(lines, r": (\d+) traffic records of (\d+) aircraft received so far")
    print(f"aircraft received: {received.group(2) + ' in ' + received.group(1) + ' records' if received else 'not logged'}")
    if received is None:
        failures.append("the traffic reader never logged what it received")
    return failures


def run_checks(demo, layout, capture: Path) -> list:
    lines = demo.log_lines(layout)
    if not any(line.startswith("Closing down after") for line in lines):
        return ["the log holds no orderly close-down"]
    if not layout.ai_report.is_file():
        return ["the simulator stand-in wrote no AI report"]
    objects = demo.ai_objects(layout)
    tracks = capture_tracks(capture)
    by_name = {}
    for track in tracks.values():
        for name in track["names"]:
            by_name.setdefault(name, track)
    livery_types = {l["title"].lower(): l["atcModel"] for l in demo.installed_liveries(layout)}
    trace = read_trace(layout.trace)
    flight_trace = read_flight_trace(layout.trace)
    helicopters = helicopter_types(capture.parents[2])
    gaps = world_gaps(trace)
    pieces, cut_trace = cut_at_gaps(objects, trace, gaps)
    _, cut_flight_trace = cut_at_gaps(objects, flight_trace, gaps)
    print(f"world: {len(gaps)} gaps of more than {WORLD_GAP_S:.0f} s in its trace"
          f"{': ' + ', '.join(f'{a:.1f} to {b:.1f} s' for a, b in gaps) if gaps else ''}")
    offset = capture_clock(pieces, by_name, cut_trace, cut_flight_trace, helicopters)
    if offset is None:
        return ["no live object was created at a captured position"]
    return (check_liveries(objects, by_name, livery_types)
            + check_motion(pieces, by_name, cut_trace, cut_flight_trace, offset)
            + check_flight(pieces, capture_reports(capture), by_name, cut_flight_trace, offset,
                           helicopters, turn_limits(capture.parents[2]))
            + check_schedule(pieces, by_name, cut_flight_trace, helicopters, offset)
            + check_landing_or_parking(demo.object_counts(layout, lines))
            + check_on_ground_changes(trace)
            + check_removals(objects, lines) + check_error_lines(lines)
            + check_feed_lines(demo, lines))


# Live aircraft the relaunched simulator must get back within the run, and static ones.
MIN_LIVE_AFTER_RELAUNCH = 20
MIN_STATIC_AFTER_RELAUNCH = 1
START_OVER = "the traffic starts over"
# What the program logs when the simulator refuses a call that names an unknown id.
UNKNOWN_OBJECT = "SIMCONNECT_EXCEPTION #3"


def check_relaunch(demo, layout, times) -> list:
    """After the simulator quit and came back (`times`: world seconds of "quit", "launch"),
    the program started its traffic over once: the objects of the old connection went with
    the simulator and no call named one of them after the quit, and live and static aircraft
    were created anew."""
    lines = demo.log_lines(layout)
    objects = demo.ai_objects(layout)
    quit_at, launch_at = times["quit"], times["launch"]
    failures = []
    over = [line for line in lines if START_OVER in line]
    if len(over) != 1:
        failures.append(f"{len(over)} lines saying '{START_OVER}', expected 1")
    old = {o["id"] for o in objects if o["created_s"] < quit_at}
    # The simulator took the old connection's objects with it, so it refuses a position, an
    # event or a removal for one of them as naming an object it does not know.
    refused = [line for line in lines if UNKNOWN_OBJECT in line]
    if refused:
        failures.append(f"{len(refused)} calls named an object the simulator does not know "
                        f"(an object of the old connection): '{UNKNOWN_OBJECT}'")
    new = [o for o in objects if o["created_s"] >= launch_at]
    live = [o for o in new if not o["atc_id"].endswith("*")]
    static = [o for o in new if o["atc_id"].endswith("*")]
    print(f"relaunch: {len(old)} objects before the quit, {len(live)} live and {len(static)} "
          f"static created after the launch; {over[0] if over else 'no start-over line'}")
    if len(live) < MIN_LIVE_AFTER_RELAUNCH:
        failures.append(f"only {len(live)} live objects created after the relaunch "
                        f"(at least {MIN_LIVE_AFTER_RELAUNCH} expected)")
    if len(static) < MIN_STATIC_AFTER_RELAUNCH:
        failures.append(f"only {len(static)} static objects created after the relaunch "
                        f"(at least {MIN_STATIC_AFTER_RELAUNCH} expected)")
    return failures
