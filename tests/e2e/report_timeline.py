"""An object's trace against what its aircraft's reports give at each moment: the speed of a step
against the speed the reports around it give, and how far along its track an object runs ahead
of where its reports put it at that time. A track is one aircraft of the capture
(e2e_checks.capture_tracks): its points (time s, latitude, longitude, ground speed kt) in time
order; a trace point is (world seconds, latitude, longitude, altitude ft, heading deg, on
ground) and, where the trace gives it, the world seconds of the object's written point before
it (flight_measures.read_flight_trace); `offset` puts world time on the capture's clock."""
import bisect
import math
import statistics

EARTH_RADIUS_M = 6371008.8
KT_TO_MPS = 1852.0 / 3600.0
# Speeds are measured between trace points at least SPEED_SPAN_S apart: over a shorter span a
# stall of the program's main worker and its jump to where the objects are due show as much as
# the motion (e2e_checks).
SPEED_SPAN_S = 5.0
REPORT_SPAN_S = SPEED_SPAN_S
# Where the capture's reports of an aircraft lie further apart than this, and past its last
# report, the program extrapolates, and it takes a while to find back onto the track: its
# trace is held to the reports where they were this close for this long.
COVERED_GAP_S = 30.0
RECOVERY_S = 60.0
# A step is held to the speed of the reports within this time of its ends (one report or two of
# the App's cadence): an object that keeps to its reports' schedule meets them there.
STEP_REPORT_REACH_S = 10.0
# Where one of those reports says the aircraft stands, the program may push it back, drive it
# onto its stand or start it towards its next report at a taxi's speed (the program's own
# retiming floor, docs/motion.md).
STANDING_REPORT_KT = 1.0
STANDING_FLOOR_KT = 30.0
# The schedule is measured on legs between two reports whose positions give at least this
# speed (slower, the 11 m of a position's four decimals make seconds of it), where the object
# lies within SCHEDULE_OFF_LEG_M of the leg's line (at a corner or a helicopter's hairpin the
# object cuts across, and its place along the leg means nothing).
SCHEDULE_LEG_MIN_KT = 10.0
SCHEDULE_OFF_LEG_M = 60.0
# A lead counts where the object keeps it this long, measured at trace points at most
# SCHEDULE_GAP_S apart.
SCHEDULE_HOLD_S = 5.0
SCHEDULE_GAP_S = 1.0
# The first seconds of an object (its creation) are not measured.
SETTLE_S = 5.0
# The trace holds a point of a moving object every 0.2 s. Where it holds none for longer, the
# program wrote nothing: a stall of the machine, after which its first write may show where the
# object was at any moment of the gap (one made before it, sent after it) and its next one
# where it is due. A step from a point after such a gap is therefore timed from the point before
# it: the step catches up the gap.
WRITE_GAP_S = 0.5
# The program's main worker may also be held up while the simulator link goes on writing: then
# every moving object is written where it stood, and jumps when the worker runs again. A run of
# points that repeat the position of a moving object, at most HOLD_RECENT_S long and ended by a
# move, is a hold of the whole program where STALL_OBJECTS - 1 other objects were held over the
# same time and none moved within it: its points show the moment the program last moved them.
# One object held while the rest move is its own fault.
HOLD_RECENT_S = SPEED_SPAN_S


def held_runs(points):
    """The runs of points of an object that repeat the position of the point before while it was
    moving, each (first time, last time, first index, last index, the earliest moment they
    show), and the times of its moves."""
    runs, moves, first = [], [], None
    for k in range(1, len(points)):
        p, q = points[k - 1], points[k]
        if (p[1], p[2]) == (q[1], q[2]):
            if first is None and k >= 2 and (points[k - 2][1], points[k - 2][2]) != (p[1], p[2]):
                first = k
            continue
        moves.append(q[0])
        if first is not None and q[0] - points[first - 1][0] <= HOLD_RECENT_S:
            runs.append((points[first][0], p[0], first, k - 1, written_from(points, first - 1)))
        first = None
    return runs, moves


def program_holds(points_by_object):
    """Marks the points written during a hold of the whole program: each such point's last field
    (the seconds of the object's written point before it) becomes the earliest moment it may
    show (written_from). `points_by_object`: per object its points as read_flight_trace gives
    them; changed in place."""
    found = {name: held_runs(points) for name, points in points_by_object.items()}
    moved = sorted((t, name) for name, (_, moves) in found.items() for t in moves)
    for name, (runs, _) in found.items():
        for start, end, first, last, shows in runs:
            i = bisect.bisect_left(moved, (start, ""))
            if any(n != name for _, n in moved[i:bisect.bisect_right(moved, (end, "\uffff"), lo=i)]):
                continue
            held = {other for other, (theirs, _) in found.items() if other != name
                    and any(a <= end and start <= b for a, b, *_ in theirs)}
            if len(held) >= STALL_OBJECTS - 1:
                points = points_by_object[name]
                for k in range(first, last + 1):
                    points[k] = points[k][:6] + (shows,)


def to_metres(latitude0):
    scale = math.radians(1) * EARTH_RADIUS_M
    return lambda lat, lon: ((lon * math.cos(math.radians(latitude0))) * scale, lat * scale)


def covered(times, at) -> bool:
    """Whether the capture has the aircraft's reports at most COVERED_GAP_S apart from
    RECOVERY_S before `at` to the report after it."""
    first = max(bisect.bisect_left(times, at - RECOVERY_S) - 1, 0)
    after = bisect.bisect_left(times, at)
    return (times[0] <= at and after < len(times)
            and all(b - a <= COVERED_GAP_S for a, b in zip(times[first:], times[first + 1:after + 1])))


def reports_speed_kt(track, start, end) -> float:
    """The speed the reports give from capture time `start` to `end`: the fastest ground speed
    reported, or given by the positions of two reports REPORT_SPAN_S or more apart (the object
    reaches each report at its time), from the last report STEP_REPORT_REACH_S or more before
    `start` to the first as far after `end`; at least STANDING_FLOOR_KT where one of them
    stands."""
    points = track["points"]
    times = [p[0] for p in points]
    first = max(bisect.bisect_right(times, start - STEP_REPORT_REACH_S) - 1, 0)
    last = min(bisect.bisect_left(times, end + STEP_REPORT_REACH_S), len(points) - 1)
    around = points[first:last + 1]
    fastest = max(p[3] for p in around)
    if min(p[3] for p in around) <= STANDING_REPORT_KT:
        fastest = max(fastest, STANDING_FLOOR_KT)
    metres = to_metres(points[0][1])
    for a, b in zip(around, around[1:]):
        if b[0] - a[0] >= REPORT_SPAN_S:
            (ax, ay), (bx, by) = metres(a[1], a[2]), metres(b[1], b[2])
            fastest = max(fastest, math.hypot(bx - ax, by - ay) / (b[0] - a[0]) / KT_TO_MPS)
    return fastest


def written_from(points, i) -> float:
    """The earliest moment whose position point `i` may show: the point's own time, or where a
    gap in the writes (WRITE_GAP_S) or a hold of the whole program (program_holds) comes before
    it, the time of the last point before them that showed where the object was."""
    p = points[i]
    before = p[6] if len(p) > 6 else points[max(i - 1, 0)][0]
    return before if p[0] - before > WRITE_GAP_S else p[0]


def spans(points):
    """Every step from a trace point to the first at least SPEED_SPAN_S after it: the indices of
    its ends, its length (m) and time (s), from before a gap in the writes that precedes it."""
    metres = to_metres(points[0][1])
    times = [p[0] for p in points]
    xy = [metres(p[1], p[2]) for p in points]
    for i, t0 in enumerate(times):
        j = bisect.bisect_left(times, t0 + SPEED_SPAN_S, lo=i + 1)
        if j == len(times):
            break
        yield (i, j, math.hypot(xy[j][0] - xy[i][0], xy[j][1] - xy[i][1]),
               times[j] - written_from(points, i))


def steps(points, track, offset):
    """Every step of `spans`: its capture time, speed (kt), the speed its reports give (kt),
    length (m), time (s) and whether the object was airborne at both ends."""
    return [(points[i][0] + offset, length / seconds / KT_TO_MPS,
             reports_speed_kt(track, points[i][0] + offset, points[j][0] + offset), length,
             seconds, not (points[i][5] or points[j][5]))
            for i, j, length, seconds in spans(points)]


# Each step over SPEED_SPAN_S or more against the speed the reports around it give
# (reports_speed_kt), helicopters too: airborne at both ends at most 1.25 times as fast; on the
# ground 1.35 times, the program's own catch-up of a late aircraft (1.2 times) and a stall of
# 0.6 s in the step (12 %).
FLIGHT_STEP_SPEED_MARGIN = 1.25
GROUND_STEP_SPEED_MARGIN = 1.35
# A stall of the machine that the trace does not show as a gap (the program's writes went on,
# made before it and sent after it) shows in the steps of every moving object at once: steps of
# STALL_OBJECTS objects or more beyond their bound, begun within STALL_WINDOW_S of each other,
# are a stall, not a fault of each, up to STALL_STEP_FACTOR times their bound (a stall of 1 s in
# a step of 5 s; the world's longer gaps cut the trace, e2e_checks.WORLD_GAP_S).
STALL_OBJECTS = 3
STALL_WINDOW_S = 1.0
STALL_STEP_FACTOR = 1.2


def step_margin(step) -> float:
    """The bound of a step (as `steps` gives it) against the speed its reports give."""
    return FLIGHT_STEP_SPEED_MARGIN if step[5] else GROUND_STEP_SPEED_MARGIN


def fast_steps(points, track, offset):
    """The object's steps (as `steps` gives them) faster than their bound, and its fastest step
    against the speed its reports give, airborne (True) and on the ground (False)."""
    measured = steps(points, track, offset)
    fast = [s for s in measured if s[1] > step_margin(s) * s[2]]
    return fast, {airborne: max((s[1] / s[2] for s in measured if s[5] == airborne), default=0.0)
                  for airborne in (True, False)}


def judge_steps(fast_by_object):
    """`fast_by_object`: per object its fast steps (fast_steps). The worst step of each object
    that is no part of a stall, as {object: step}; and the stalls (capture time, number of
    objects, the largest step against its bound), in time order."""
    fast = sorted((s[0], name, s) for name, found in fast_by_object.items() for s in found)
    worst, stalls = {}, []
    for at, name, step in fast:
        excess = step[1] / step[2] / step_margin(step)
        together = {n for a, n, _ in fast if abs(a - at) <= STALL_WINDOW_S}
        if len(together) < STALL_OBJECTS or excess > STALL_STEP_FACTOR:
            if excess > worst.get(name, (0.0, None))[0]:
                worst[name] = (excess, step)
        elif stalls and at - stalls[-1][1] <= STALL_WINDOW_S:
            first, _, names, largest = stalls[-1]
            stalls[-1] = (first, at, names | {name}, max(largest, excess))
        else:
            stalls.append((at, at, {name}, excess))
    return ({name: step for name, (_, step) in worst.items()},
            [(first, len(names), largest) for first, _, names, largest in stalls])


def leg_share(u, v0, v1) -> float:
    """How far along a leg between two reports (its share of the leg) an aircraft is at the share
    `u` of the leg's time: at the reported speeds `v0` and `v1`, changing evenly from the one to
    the other (a landing roll from 100 to 38 kt over 14 s lies 1.6 s ahead of the leg's mean
    speed halfway); at the mean speed where the reports give none."""
    if not (v0 >= 0.0 and v1 >= 0.0 and v0 + v1 > 0.0):
        return u
    return (v0 * u + (v1 - v0) * u * u / 2.0) / ((v0 + v1) / 2.0)


def leg_speed_share(u, v0, v1) -> float:
    """The speed at the share `u` of a leg's time (leg_share) against the leg's mean speed."""
    if not (v0 >= 0.0 and v1 >= 0.0 and v0 + v1 > 0.0):
        return 1.0
    u = min(max(u, 0.0), 1.0)
    return (v0 + (v1 - v0) * u) / ((v0 + v1) / 2.0)


def schedule_leads(points, track, offset):
    """Per measured trace point: its capture time, how many seconds along its track it runs
    ahead of where its reports put it at that time (leg_share between two reports; negative:
    behind) and whether it was on the ground. Measured where the capture covers the aircraft,
    from SETTLE_S after its creation."""
    metres = to_metres(track["points"][0][1])
    reports = [(p[0], *metres(p[1], p[2]), p[3]) for p in track["points"]]
    times = [r[0] for r in reports]
    out = []
    for p in points:
        captured = p[0] + offset
        if p[0] < points[0][0] + SETTLE_S or not covered(times, captured):
            continue
        k = bisect.bisect_right(times, captured)
        if k == 0 or k == len(times):
            continue
        (ta, ax, ay, va), (tb, bx, by, vb) = reports[k - 1], reports[k]
        length = math.hypot(bx - ax, by - ay)
        speed = length / (tb - ta)
        if speed < SCHEDULE_LEG_MIN_KT * KT_TO_MPS:
            continue
        now = (captured - ta) / (tb - ta)
        u = leg_share(now, va, vb)
        x, y = metres(p[1], p[2])
        dx, dy = x - ax - u * (bx - ax), y - ay - u * (by - ay)
        along = (dx * (bx - ax) + dy * (by - ay)) / length
        if math.hypot(dx, dy) ** 2 - along ** 2 > SCHEDULE_OFF_LEG_M ** 2:
            continue
        # In seconds at the speed the reports give halfway between where it is due and where it
        # is (at least SCHEDULE_LEG_MIN_KT).
        floor = SCHEDULE_LEG_MIN_KT * KT_TO_MPS
        lead = along / max(speed * leg_speed_share(now, va, vb), floor)
        halfway = now + lead / (tb - ta) / 2.0
        out.append((captured, along / max(speed * leg_speed_share(halfway, va, vb), floor), p[5]))
    return out


def schedule_clock(leads) -> float:
    """The run's schedule clock: the median lead of airborne aeroplanes, which reach each report
    at its time (docs/motion.md). The offset of world to capture time is taken where objects
    are created, and a create takes the simulator some time: this corrects it."""
    return statistics.median(leads) if leads else 0.0


def held_windows(leads):
    """Every stretch of SCHEDULE_HOLD_S over which an object's leads were measured without a gap
    of more than SCHEDULE_GAP_S: its capture time, the lead kept all along (the smallest) and
    the median lead; `leads` as schedule_leads gives them (of one phase: the points of another
    make gaps)."""
    times = [l[0] for l in leads]
    for i, (at, _, _) in enumerate(leads):
        j = bisect.bisect_right(times, at + SCHEDULE_HOLD_S)
        if (times[j - 1] - at < SCHEDULE_HOLD_S - SCHEDULE_GAP_S
                or any(b - a > SCHEDULE_GAP_S for a, b in zip(times[i:j], times[i + 1:j]))):
            continue
        window = [l[1] for l in leads[i:j]]
        yield at, min(window), statistics.median(window)
