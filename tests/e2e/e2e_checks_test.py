#!/usr/bin/env python3
"""The end-to-end checks' speed, vertical-speed and turn-rate figures on traces made here: a
trace written every 0.2 s of an aircraft whose positions arrive in bursts (a late cycle, or a
stall of the program and the jump to where the aircraft is due) measures its motion, not the
bursts; a trace that really is too fast, climbs off the reports or turns too fast still fails.
And on traces that keep to real aircraft's reports of the KLAX capture, doctored as a faulty
program would move them: each doctored one fails its check, the trace it was made from passes."""
import bisect
import csv
import math
from pathlib import Path
import unittest

import e2e_checks as checks
import flight_measures
import report_timeline

TRACE_EVERY_S = 0.2
# Every fourth point is written 0.15 s late and the next one on time: between those two the
# trace moves 1.75 times as fast as the aircraft.
LATE_S = 0.15
# Or every 10 s the program stalls for 0.6 s and then jumps to where the aircraft is due: 4 times
# its speed between two points.
STALL_EVERY_S = 10.0
STALL_S = 0.6
# Or every 10 s the program writes nothing for 0.8 s, and its first write after the gap shows
# where the aircraft was when it stopped (made before the gap, sent after it): 5 times its speed
# to the next point, and a step of 5 s from it 1.16 times.
UNWRITTEN_S = 0.8
LAT0, LON0 = 33.9, -118.4
FEET_PER_METRE = 3.28084


def late_cycles(k, t):
    return t - LATE_S if k % 4 == 1 else t


def stalls(_, t):
    into = t % STALL_EVERY_S
    return t - into if into < STALL_S else t


def unwritten(_, t):
    into = round(t % STALL_EVERY_S, 6)
    if 0 < into < UNWRITTEN_S:
        return None
    return t - UNWRITTEN_S if into == UNWRITTEN_S else t


def on_time(_, t):
    return t


SHARED = Path(__file__).resolve().parents[2].parent / "shared"
CAPTURE = SHARED / "feed" / "recordings" / "KLAX_20200617_2152.csv"


def trace_of(speed_kt, seconds, climb_fpm=0.0, turn_deg_s=0.0, bursts=late_cycles,
             height_ft=3000.0):
    """Trace points (time, latitude, longitude, altitude ft, heading deg, on ground) of an
    aircraft flying north-east at a steady speed, climb and turn rate, shown late by `bursts`
    (None: no point written)."""
    points, x, y, heading = [], 0.0, 0.0, 45.0
    step = TRACE_EVERY_S
    count = int(seconds / step) + 1
    for k in range(count):
        t = k * step
        shown = bursts(k, t)
        if shown is None:
            continue
        # Positions at the shown time along the path flown so far.
        heading_at = 45.0 + turn_deg_s * shown
        if turn_deg_s:
            radius = speed_kt * report_timeline.KT_TO_MPS / math.radians(turn_deg_s)
            x = radius * (math.cos(math.radians(45.0)) - math.cos(math.radians(heading_at)))
            y = radius * (math.sin(math.radians(heading_at)) - math.sin(math.radians(45.0)))
        else:
            distance = speed_kt * report_timeline.KT_TO_MPS * shown
            x, y = distance * math.sin(math.radians(heading)), distance * math.cos(math.radians(heading))
        scale = math.radians(1) * report_timeline.EARTH_RADIUS_M
        lat = LAT0 + y / scale
        lon = LON0 + x / (scale * math.cos(math.radians(LAT0)))
        altitude = height_ft + climb_fpm * shown / 60.0
        points.append((t, lat, lon, altitude, heading_at % 360.0, False))
    return points


def reports_of(seconds, climb_fpm=0.0, turn_deg_s=0.0):
    """Reports every 5 s: (time, track deg, vertical speed fpm)."""
    return [(t, (45.0 + turn_deg_s * t) % 360.0, climb_fpm) for t in range(0, int(seconds) + 1, 5)]


def fastest_kt(points):
    return max(length / seconds / report_timeline.KT_TO_MPS
               for _, _, length, seconds in report_timeline.spans(points))


def flight(points, reports):
    figures = flight_measures.flight_figures(points, reports, 0.0)
    turns = [f[2] for f in figures if f[2] is not None]
    vertical = [f[3] for f in figures if f[3] is not None]
    return max(turns), max(vertical)


class SpanMeasures(unittest.TestCase):
    def test_a_step_is_measured_over_the_reports_span_not_between_two_points(self):
        for bursts, between_points in ((late_cycles, 1.7), (stalls, 2.9), (unwritten, 4.9)):
            for speed in (30.0, 150.0, 450.0):
                with self.subTest(bursts=bursts.__name__, speed=speed):
                    points = trace_of(speed, 60.0, bursts=bursts)
                    metres = report_timeline.to_metres(LAT0)
                    xy = [metres(p[1], p[2]) for p in points]
                    neighbours = max(math.hypot(b[0] - a[0], b[1] - a[1]) / (q[0] - p[0])
                                     for p, q, a, b in zip(points, points[1:], xy, xy[1:]))
                    self.assertGreater(neighbours / report_timeline.KT_TO_MPS, between_points * speed)
                    self.assertLess(fastest_kt(points), 1.13 * speed)
                    self.assertAlmostEqual(fastest_kt(trace_of(speed, 60.0, bursts=on_time)),
                                           speed, delta=0.01 * speed)

    def test_a_step_too_fast_for_the_reports_still_fails(self):
        # Flying 1.3 times the reported speed shows over any span.
        points = trace_of(1.3 * 150.0, 60.0, bursts=on_time)
        self.assertGreater(fastest_kt(points), checks.FLIGHT_STEP_SPEED_MARGIN * 150.0)

    def test_vertical_speed_and_turn_rate_see_the_motion_through_the_bursts(self):
        for bursts in (late_cycles, stalls, unwritten):
            for climb, turn in ((0.0, 0.0), (2500.0, 0.0), (-1800.0, 3.0), (0.0, 5.0)):
                with self.subTest(bursts=bursts.__name__, climb=climb, turn=turn):
                    points = trace_of(180.0, 90.0, climb_fpm=climb, turn_deg_s=turn,
                                      bursts=bursts)
                    largest_turn, largest_off = flight(points, reports_of(90.0, climb, turn))
                    self.assertLessEqual(largest_turn, 1.16 * turn + 0.1)
                    self.assertLess(largest_off, 0.13 * abs(climb) + 1.0)

    def test_a_climb_off_the_reports_or_a_turn_too_fast_still_fails(self):
        # Climbing 2,000 fpm faster than reported; turning at 8 degrees a second where the
        # reports turn at 5 (a report's track turning at most 6 degrees a second is not fast).
        points = trace_of(180.0, 90.0, climb_fpm=2000.0)
        _, largest_off = flight(points, reports_of(90.0))
        self.assertGreater(largest_off, flight_measures.VERTICAL_SPEED_OFF_MAX_FPM)
        points = trace_of(180.0, 90.0, turn_deg_s=8.0)
        largest_turn, _ = flight(points, reports_of(90.0, turn_deg_s=5.0))
        self.assertGreater(largest_turn, flight_measures.TRACK_TURN_MAX_DEG_S)

    def test_the_turn_is_held_to_what_the_aircraft_plausibly_turns_at_its_speed(self):
        shared = Path(__file__).resolve().parents[2].parent / "shared"
        if not (shared / flight_measures.DOC_8643).is_file():
            self.skipTest(f"{shared / flight_measures.DOC_8643} is not there")
        limits = flight_measures.turn_limits(shared)
        # (type, speed kt, turn deg/s, within): a light aircraft circles at 15 degrees a second
        # at 90 kt; an airliner at 180 kt turns at most the floor of 6 (its own 4.3 is less).
        for designator, speed, turn, within in (("C172", 90.0, 15.0, True),
                                                ("C172", 60.0, 41.0, False),
                                                ("BE20", 160.0, 9.0, True),
                                                ("B738", 180.0, 6.0, True),
                                                ("B738", 180.0, 8.0, False),
                                                ("A388", 20.0, 10.0, True)):
            with self.subTest(designator=designator, speed=speed, turn=turn):
                limit = flight_measures.plausible_turn_deg_s(limits[designator], speed)
                self.assertEqual(turn <= limit, within, f"at most {limit:.1f}")

    def test_a_step_is_held_to_the_speed_its_reports_give_at_that_time(self):
        metres_per_degree = math.radians(1) * report_timeline.EARTH_RADIUS_M

        def report(t, north_m, kt):
            return (t, LAT0 + north_m / metres_per_degree, LON0, kt)

        # Two reports 10 s apart whose positions lie 900 m apart (175 kt) at a reported 99 kt.
        faster_positions = [report(0, 0.0, 99.0), report(10, 900.0, 99.0)]
        # 200 kt for a minute, then 100 kt: the reports give 100 kt once past the fast ones.
        slowing = [report(0, 0.0, 200.0), report(10, 1029.0, 200.0)] + [
            report(20 + 10 * k, 1543.0 + 514.4 * k, 100.0) for k in range(10)]
        # Standing, then taxiing at 15 kt: at least a taxi's floor where one report stands.
        taxi = [report(0, 0.0, 0.0), report(20, 0.0, 0.0), report(40, 154.0, 15.0),
                report(60, 308.0, 15.0), report(80, 462.0, 15.0)]
        for name, points, (start, end), speed in (
                ("positions faster than reported", faster_positions, (2, 7), 175.0),
                ("while fast", slowing, (0, 5), 200.0),
                ("after slowing", slowing, (60, 65), 100.0),
                ("from rest", taxi, (20, 25), report_timeline.STANDING_FLOOR_KT),
                ("taxiing", taxi, (60, 65), 15.0)):
            with self.subTest(name):
                self.assertAlmostEqual(report_timeline.reports_speed_kt(
                    {"points": points}, start, end), speed, delta=0.5)



def reported(callsign):
    """The capture's track of the aircraft (e2e_checks.capture_tracks) and its reports as
    (time, latitude, longitude, altitude ft, ground speed kt, on the ground), on the ground as
    the App stand-in infers it for the capture (tools/rtapp_standin/capture.h)."""
    track = next(t for t in checks.capture_tracks(CAPTURE).values() if callsign in t["names"])
    rows = {}
    with CAPTURE.open(encoding="utf-8", errors="replace") as f:
        for row in csv.reader(f):
            if len(row) > 14 and row[0] == "AITFC" and row[9].strip() == callsign:
                altitude, speed = float(row[4]), float(row[8])
                ground = altitude <= 0 or (
                    altitude <= flight_measures.AIRPORT_ELEVATION_FT + 200 and speed <= 40)
                rows[int(row[14])] = (int(row[14]), float(row[2]), float(row[3]), altitude, speed,
                                      ground)
    return track, [rows[t] for t in sorted(rows)]


def kept_trace(reports, start, end, shown=lambda c: c, turned=lambda c: 0.0):
    """Trace points, every 0.2 s from capture time `start` to `end` (world time is capture time),
    of an object that keeps to the reports, at their speeds between two (its altitude linear),
    its nose along its leg; doctored, it shows at capture time c where the reports put the
    aircraft at `shown(c)`, its nose `turned(c)` degrees off."""
    times = [r[0] for r in reports]
    points, heading = [], None
    for k in range(int((end - start) / 0.2) + 1):
        c = start + 0.2 * k
        at = shown(c)
        i = min(max(bisect.bisect_right(times, at) - 1, 0), len(reports) - 2)
        a, b = reports[i], reports[i + 1]
        u = (at - a[0]) / (b[0] - a[0])
        along = report_timeline.leg_share(u, a[4], b[4])
        if (a[1], a[2]) != (b[1], b[2]):
            heading = flight_measures.bearing_deg(a, b)
        points.append((c, a[1] + along * (b[1] - a[1]), a[2] + along * (b[2] - a[2]),
                       a[3] + u * (b[3] - a[3]), ((heading or 0.0) + turned(c)) % 360.0,
                       a[5] and b[5]))
    return points


def race(start, factor=1.5, seconds=10.0):
    """Shown `factor` times as fast as the reports for `seconds` from `start`, ahead since."""
    return lambda c: c + (factor - 1.0) * min(max(c - start, 0.0), seconds)


def creep(start, behind=0.0, lead=5.0):
    """`behind` seconds behind the reports until `start`, then 1.2 times as fast as they are until
    `lead` seconds further ahead, and there since."""
    return lambda c: c - behind + min(0.2 * max(c - start, 0.0), lead)


def catch_up(start, late):
    """`late` seconds behind the reports until `start`, then catching up at 1.2 times their speed,
    as the program does with a late aircraft."""
    return lambda c: c - max(late - 0.2 * max(c - start, 0.0), 0.0)


def stalled(shown, at, seconds=0.8):
    """`shown`, but the point at capture time `at` shows where the aircraft was `seconds` before:
    the program stalled, and its first write after the stall was made before it."""
    return lambda c: shown(c - seconds) if abs(c - at) < 0.1 else shown(c)


def held(start, seconds=1.7, shown=lambda c: c):
    """`shown`, but written where it was at `start` for `seconds`: the program's worker held up
    while its simulator link wrote on."""
    return lambda c: shown(start) if start <= c < start + seconds else shown(c)


def slower(start, factor=0.9):
    """At `factor` times the reports' speed from `start`, falling behind."""
    return lambda c: start + factor * (c - start)


def step_check(objects):
    # As the run's trace is read: a hold of the whole program marked first.
    trace = {name: points for name, points, _ in objects}
    report_timeline.program_holds(trace)
    return checks.step_failures({name: checks.fast_steps(trace[name], track, 0.0)[0]
                                 for name, _, track in objects})[0]


def schedule_check(objects):
    failures = []
    for name, points, track in objects:
        air, ground = checks.schedule_phases(
            points, report_timeline.schedule_leads(points, track, 0.0), 0.0)
        failures += checks.schedule_failures(name, air, ground)[0]
    return failures


def nose_check(objects):
    return [f for name, points, _ in objects for f in flight_measures.nose_failures(name, points, 0.0)[0]]


class DoctoredTraces(unittest.TestCase):
    def setUp(self):
        if not CAPTURE.is_file():
            self.skipTest(f"{CAPTURE} is not there")

    def test_each_fault_of_a_doctored_trace_fails_its_check(self):
        t0 = 1592423500
        airborne = "N826DD N232PG SKW3378 EVA620 N119PM DAL1039"
        # (what the doctored objects do, the aircraft, the capture times of the trace, the
        # doctoring (of each aircraft, or of all), the check, the text its one failure holds, or
        # None where the check must pass)
        for fault, callsigns, (start, end), doctored, check, text in (
                ("a light aircraft flying at 0.6 of its fastest reported speed races 1.5 times "
                 "as fast for 10 s", "N24CV", (t0 + 472, t0 + 537),
                 dict(shown=race(t0 + 480)), step_check, "in the air"),
                ("a taxiing aircraft races 1.5 times as fast for 10 s", "JAL061",
                 (t0 + 339, t0 + 444), dict(shown=race(t0 + 380)), step_check, "on the ground"),
                ("a helicopter races 1.5 times as fast for 10 s", "N665PD", (t0 + 168, t0 + 263),
                 dict(shown=race(t0 + 200)), step_check, "in the air"),
                ("one of six aeroplanes in the air races 1.5 times as fast for 10 s while the "
                 "others keep to their reports", airborne, (t0 + 110, t0 + 160),
                 [dict(shown=race(t0 + 130))] + [{}] * 5, step_check, "in the air"),
                ("six aeroplanes in the air catching up at 1.2 times their reports' speed show "
                 "where they were 0.8 s before, at once: a stall of the program", airborne,
                 (t0 + 110, t0 + 160), dict(shown=stalled(catch_up(t0 + 120, 6.0), t0 + 130)),
                 step_check, None),
                ("six aeroplanes in the air written where they were for 1.7 s, then where they "
                 "are due, five of them flying slower than their reports: a hold of the whole "
                 "program that puts one step alone over its bound", airborne,
                 (t0 + 110, t0 + 160), [dict(shown=held(t0 + 130))]
                 + [dict(shown=held(t0 + 130, shown=slower(t0 + 110)))] * 5, step_check, None),
                ("one of six aeroplanes in the air held for 1.7 s, then jumping to where it is "
                 "due while the others keep to their reports", airborne, (t0 + 110, t0 + 160),
                 [dict(shown=held(t0 + 130))] + [{}] * 5, step_check, "in the air"),
                ("an airliner on final stays 5 s ahead of its reports", "EVA620",
                 (t0 + 67, t0 + 160), dict(shown=lambda c: c + 5.0), schedule_check,
                 "5.0 s ahead of its reports in the air"),
                ("an airliner on final 1 s behind its reports creeps 5 s further ahead at 1.2 "
                 "times their speed and stays there", "EVA620", (t0 + 67, t0 + 160),
                 dict(shown=creep(t0 + 100, behind=1.0)), schedule_check,
                 "5.0 s ahead of its own schedule"),
                ("a taxiing aircraft stays 5 s ahead of its reports", "JBU424",
                 (t0 + 137, t0 + 200), dict(shown=lambda c: c + 5.0), schedule_check,
                 "5.0 s ahead of its reports on the ground"),
                ("a taxiing aircraft 2 s behind its reports creeps 5 s further ahead at 1.2 "
                 "times their speed and stays there", "JBU424", (t0 + 137, t0 + 200),
                 dict(shown=creep(t0 + 160, behind=2.0)), schedule_check,
                 "5.0 s ahead of its own schedule"),
                ("a taxiing aircraft created 6 s late catches up at 1.2 times its reports' speed",
                 "JBU424", (t0 + 137, t0 + 200), dict(shown=catch_up(t0 + 150, 6.0)),
                 schedule_check, None),
                ("a taxiing aircraft turns its nose 90 degrees off for 10 s", "JBU424",
                 (t0 + 191, t0 + 244), dict(turned=lambda c: 90.0 if 200 <= c - t0 < 210 else 0.0),
                 nose_check, "degrees off the direction it moves in on the ground"),
                ("a taxiing aircraft moves 45 degrees off its nose for 6 s, as its corners did",
                 "JAL061", (t0 + 339, t0 + 444),
                 dict(turned=lambda c: 45.0 if 380 <= c - t0 < 386 else 0.0), nose_check,
                 "degrees off the direction it moves in on the ground"),
                ("an airliner below 200 ft on short final turns its nose 90 degrees off",
                 "EVA620", (t0 + 142, t0 + 190),
                 dict(turned=lambda c: 90.0 if 164 <= c - t0 < 171 else 0.0), nose_check,
                 "degrees off the direction it moves in below 200 ft")):
            with self.subTest(fault):
                names = callsigns.split()
                each = doctored if isinstance(doctored, list) else [doctored] * len(names)
                kept, faulty = [], []
                for callsign, doctoring in zip(names, each):
                    track, reports = reported(callsign)
                    kept.append((callsign, kept_trace(reports, start, end), track))
                    faulty.append((callsign, kept_trace(reports, start, end, **doctoring), track))
                self.assertEqual(check(kept), [])
                failures = check(faulty)
                self.assertEqual(len(failures), 0 if text is None else 1, failures)
                if text is not None:
                    self.assertIn(text, failures[0])


if __name__ == "__main__":
    unittest.main()
