"""How the live aeroplanes of an end-to-end run fly, from the world's trace: the nose against
the direction of flight (and of motion on the ground), the turn of that direction against what
the aircraft plausibly turns, and the vertical speed against the reports'. A trace point is
(world seconds, latitude, longitude, altitude ft, heading deg, on ground)."""
import bisect
import csv
import json
import math
from pathlib import Path

from report_timeline import (KT_TO_MPS, SETTLE_S, SPEED_SPAN_S, covered, program_holds,
                             to_metres, written_from)

# The world's trace holds a point of each object every 0.2 s of world time. The program moves
# its objects every 10 ms, but a busy machine (another build, a sanitizer) holds its main worker
# up now and then, and the objects then stand still and jump to where they are due, so that two
# points 0.2 s apart can lie a burst apart: between them the trace measures the scheduler as
# much as the motion. The speed and the vertical speed of an object are therefore measured
# between points at least SPEED_SPAN_S apart, the span over which its reports' positions give
# the speed it is held to (report_timeline.reports_speed_kt); a stall of 0.6 s then adds 12 %
# at most. The direction of flight is taken over TURN_SPAN_S, and its turn rate between two
# such directions that far apart: there a stall of 0.6 s in a turn adds 15 %, and a corner
# shows as half its angle a second (one of more than 12 degrees breaks the bound of 6 degrees a
# second).
TURN_SPAN_S = 2.0


# How the live aeroplanes fly (docs/motion.md, tools/track_replay/flight_figures.h), where they
# fly at least 200 ft above the capture's airport and the capture covers them: the nose within
# 10 degrees of the direction of flight at the 95th percentile of all such points and within 30
# anywhere; that direction turning no faster than the aircraft plausibly turns (below), except
# within 5 s of a report whose track turned faster than 6 degrees a second; the vertical speed
# within 1500 fpm of the reported one (linear between reports) averaged over the 15 s either
# side. The vertical speed is taken over SPEED_SPAN_S or more, the direction of flight over
# TURN_SPAN_S or more and its turn rate between two such directions that far apart. Lower, on
# short final and at the take-off, the nose keeps within 30 degrees of the direction of flight
# too, and on the ground, where the object moves at NOSE_GROUND_MIN_KT or more (a pushback is
# slower), within GROUND_NOSE_OFF_MAX_DEG of the direction it moves in.
# Helicopters (ICAO Doc 8643 descriptions "H...") hover, turn on the spot and fly sideways:
# they are left out.
# The direction of flight may turn as fast as the aircraft plausibly turns at its speed
# (docs/motion.md, traffic/motion/turn_reach.h): a coordinated turn at the steepest bank of its
# kind, g tan(bank) / speed, at most a ceiling, by its Doc 8643 description: single-engine
# propeller aircraft (light aircraft, gliders) 70 degrees of bank and 40 degrees a second, other
# propeller aircraft 60 and 30, jets of light wake turbulence 45 and 15, other jets 35 and 10;
# and at least TRACK_TURN_MAX_DEG_S, which any of them turns at an airport's speeds.
DOC_8643 = Path("data") / "aircraft" / "doc8643-AircraftTypes.json"
TURN_LIMITS = {"single prop": (70.0, 40.0), "props": (60.0, 30.0), "light jet": (45.0, 15.0),
               "jet": (35.0, 10.0)}
TURN_LIMIT_SLOWEST_KT = 30.0
GRAVITY_MPS2 = 9.80665
AIRPORT_ELEVATION_FT = 125.0
MEASURED_HEIGHT_FT = 200.0
HEADING_OFF_TRACK_P95_DEG = 10.0
HEADING_OFF_TRACK_MAX_DEG = 30.0
NOSE_GROUND_MIN_KT = 5.0
# As in the air: a taxi step's path turns no faster than the nose follows (docs/motion.md;
# 5.5 to 11.7 degrees measured, where the direction of motion turned faster than the nose at a
# taxi's corner: JAL061, B77W, 46 degrees off at 18.5 kt).
GROUND_NOSE_OFF_MAX_DEG = 30.0
TRACK_TURN_MAX_DEG_S = 6.0
FAST_REPORT_REACH_S = 5.0
VERTICAL_SPEED_OFF_MAX_FPM = 1500.0
SMOOTHING_S = 15.0


def read_flight_trace(path: Path):
    """The world's trace with what the flight checks read: per object id its written points
    (seconds, latitude, longitude, altitude ft, heading deg, on ground, the seconds of the
    object's written point before it, or where the whole program held it, of the moment it
    last moved it: program_holds)."""
    points = {}
    for line in path.read_text(encoding="utf-8", errors="replace").splitlines():
        f = line.split(";")
        if len(f) >= 8 and f[2] == "written":
            own = points.setdefault(f[1], [])
            at = float(f[0])
            own.append((at, float(f[3]), float(f[4]), float(f[5]), float(f[6]), f[7] == "1",
                        own[-1][0] if own else at))
    program_holds(points)
    return points


def capture_reports(capture: Path):
    """Per name (callsign or registration) of the capture's aircraft its reports in time order as
    (time s, track deg, vertical speed fpm)."""
    reports, names = {}, {}
    with capture.open(encoding="utf-8", errors="replace") as f:
        for row in csv.reader(f):
            if len(row) > 14 and row[0] == "AITFC":
                reports.setdefault(row[1], []).append((int(row[14]), float(row[7]), float(row[5])))
                for name in {row[9].strip().upper(), row[11].strip().upper()} - {""}:
                    names.setdefault(name, row[1])
    return {name: sorted(reports[hexid]) for name, hexid in names.items()}


def bearing_deg(a, b) -> float:
    lat1, lat2 = math.radians(a[1]), math.radians(b[1])
    dlon = math.radians(b[2] - a[2])
    y = math.sin(dlon) * math.cos(lat2)
    x = math.cos(lat1) * math.sin(lat2) - math.sin(lat1) * math.cos(lat2) * math.cos(dlon)
    return math.degrees(math.atan2(y, x)) % 360.0


def angle_off(a, b) -> float:
    return abs((a - b + 180.0) % 360.0 - 180.0)


def reported_vertical_speed_at(reports, at) -> float:
    """The reported vertical speed at `at`, linear between the reports around it."""
    times = [r[0] for r in reports]
    i = bisect.bisect_left(times, at)
    if i == 0:
        return reports[0][2]
    if i == len(reports):
        return reports[-1][2]
    (t0, _, v0), (t1, _, v1) = reports[i - 1], reports[i]
    return v0 if t1 <= t0 else v0 + (v1 - v0) * (at - t0) / (t1 - t0)


def smoothed_vertical_speed(reports, at):
    """The mean, over the SMOOTHING_S either side of `at` that the reports span, of the reported
    vertical speed taken linear between two reports."""
    start, end = max(at - SMOOTHING_S, reports[0][0]), min(at + SMOOTHING_S, reports[-1][0])
    values = [reported_vertical_speed_at(reports, start + k)
              for k in range(int(math.floor(end - start)) + 1)]
    return sum(values) / len(values) if values else None


def plausible_turn_deg_s(limit, speed_kt) -> float:
    """The fastest turn of an aircraft of turn limit `limit` (bank deg, ceiling deg/s) at
    `speed_kt`: see TURN_LIMITS."""
    bank, ceiling = limit
    if not speed_kt >= TURN_LIMIT_SLOWEST_KT:
        return ceiling
    rate = math.degrees(GRAVITY_MPS2 * math.tan(math.radians(bank)) / (speed_kt * KT_TO_MPS))
    return max(TRACK_TURN_MAX_DEG_S, min(rate, ceiling))


def flight_figures(points, reports, offset, turn_limit=TURN_LIMITS["jet"]):
    """Per counted point: its capture time, the heading off the direction of flight (deg), that
    direction's turn rate (deg/s, None near a report that turns fast), the vertical speed off
    the reports' (fpm, None without reports near) and the fastest turn plausible there (deg/s,
    of an aircraft of turn limit `turn_limit` at the speed the trace gives)."""
    times = [p[0] for p in points]
    metres = to_metres(points[0][1])
    # A point after a gap in the writes may show where the object was at any moment of the gap
    # (report_timeline.written_from): no end of a span.
    fresh = [written_from(points, k) == times[k] for k in range(len(points))]

    def around(t, span):
        """The indices of the last point at or before t - span / 2 and of the first at or after
        t + span / 2 (the trace's points lie about 0.2 s apart) that show where the object was at
        their time: `span` or more apart."""
        i = bisect.bisect_right(times, t - span / 2) - 1
        while i >= 0 and not fresh[i]:
            i -= 1
        j = bisect.bisect_left(times, t + span / 2)
        while j < len(points) and not fresh[j]:
            j += 1
        return (i, j) if 0 <= i and j < len(points) else None

    def direction(t):
        """The direction of flight around t and the time it stands for."""
        ends = around(t, TURN_SPAN_S)
        if ends is None:
            return None
        a, b = points[ends[0]], points[ends[1]]
        (ax, ay), (bx, by) = metres(a[1], a[2]), metres(b[1], b[2])
        return (bearing_deg(a, b), (a[0] + b[0]) / 2) if math.hypot(bx - ax, by - ay) >= 1.0 else None

    fast = []
    for (t0, track0, _), (t1, track1, _) in zip(reports, reports[1:]):
        if t1 > t0 and angle_off(track1, track0) / (t1 - t0) > TRACK_TURN_MAX_DEG_S:
            fast += [t0, t1]
    report_times = [r[0] for r in reports]
    out = []
    for p in points:
        t = p[0]
        captured = t + offset
        if (t < points[0][0] + SETTLE_S or p[5] or p[3] < AIRPORT_ELEVATION_FT + MEASURED_HEIGHT_FT or not covered(report_times, captured)
                or captured > report_times[-1] - SPEED_SPAN_S / 2):
            continue
        track = direction(t)
        before, after = direction(t - TURN_SPAN_S / 2), direction(t + TURN_SPAN_S / 2)
        ends = around(t, SPEED_SPAN_S)
        if None in (track, before, after, ends) or not after[1] > before[1]:
            continue
        turn = angle_off(after[0], before[0]) / (after[1] - before[1])
        near_fast = any(abs(f - captured) <= FAST_REPORT_REACH_S for f in fast)
        a, b = points[ends[0]], points[ends[1]]
        vs = (b[3] - a[3]) / (b[0] - a[0]) * 60.0
        (ax, ay), (bx, by) = metres(a[1], a[2]), metres(b[1], b[2])
        speed_kt = math.hypot(bx - ax, by - ay) / (b[0] - a[0]) / KT_TO_MPS
        reported = smoothed_vertical_speed(reports, captured)
        out.append((captured, angle_off(p[4], track[0]), None if near_fast else turn,
                    None if reported is None else abs(vs - reported),
                    plausible_turn_deg_s(turn_limit, speed_kt)))
    return out


def nose_failures(name, points, offset):
    """Where the nose of a live aeroplane points off the direction it moves in below
    MEASURED_HEIGHT_FT (on short final, at the take-off) and on the ground (at
    NOSE_GROUND_MIN_KT or more), from SETTLE_S after its creation: at most the worst of each,
    and the largest angle of each (degrees)."""
    times = [p[0] for p in points]
    metres = to_metres(points[0][1])
    worst = {False: (0.0, None), True: (0.0, None)}
    for k, p in enumerate(points):
        if (p[0] < points[0][0] + SETTLE_S
                or (not p[5] and p[3] >= AIRPORT_ELEVATION_FT + MEASURED_HEIGHT_FT)):
            continue
        i = bisect.bisect_right(times, p[0] - TURN_SPAN_S / 2, hi=k) - 1
        j = bisect.bisect_left(times, p[0] + TURN_SPAN_S / 2, lo=k)
        if i < 0 or j == len(points):
            continue
        (ax, ay), (bx, by) = metres(points[i][1], points[i][2]), metres(points[j][1], points[j][2])
        length = math.hypot(bx - ax, by - ay)
        slow = length / (times[j] - times[i]) < NOSE_GROUND_MIN_KT * KT_TO_MPS
        if length < 1.0 or (p[5] and slow):
            continue
        off = angle_off(p[4], bearing_deg(points[i], points[j]))
        worst[p[5]] = max(worst[p[5]], (off, p[0] + offset), key=lambda w: w[0])
    failures = [f"{name}: the nose {off:.0f} degrees off the direction it moves in "
                f"{'on the ground' if ground else 'below ' + str(int(MEASURED_HEIGHT_FT)) + ' ft'} "
                f"at capture time {at:.1f}, at most {bound:.0f}"
                for ground, bound in ((True, GROUND_NOSE_OFF_MAX_DEG),
                                      (False, HEADING_OFF_TRACK_MAX_DEG))
                for off, at in [worst[ground]] if off > bound]
    return failures, worst[True][0], worst[False][0]


def helicopter_types(shared: Path) -> set:
    """The type designators of helicopters."""
    types = json.loads((shared / DOC_8643).read_text(encoding="utf-8"))
    return {t["Designator"].upper() for t in types if t.get("Description", "").startswith("H")}


def turn_limits(shared: Path) -> dict:
    """Per type designator its turn limit of TURN_LIMITS (jets' where the description says
    nothing of its engines)."""
    limits = {}
    for t in json.loads((shared / DOC_8643).read_text(encoding="utf-8")):
        description = t.get("Description", "")
        engines, kind = description[1:2], description[2:3]
        if kind in ("P", "T"):
            limit = TURN_LIMITS["single prop" if engines == "1" else "props"]
        elif kind == "J" and t.get("WTC") == "L":
            limit = TURN_LIMITS["light jet"]
        else:
            limit = TURN_LIMITS["jet"]
        # A designator shared by several models keeps the most agile one's limit.
        designator = t["Designator"].upper()
        limits[designator] = max(limits.get(designator, limit), limit, key=lambda l: l[1])
    return limits
