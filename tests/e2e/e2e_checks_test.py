#!/usr/bin/env python3
"""The end-to-end checks' speed, vertical-speed and turn-rate figures on traces made here: a
trace written every 0.2 s of an aircraft whose positions arrive in bursts (a late cycle, or a
stall of the program and the jump to where the aircraft is due) measures its motion, not the
bursts; a trace that really is too fast, climbs off the reports or turns too fast still fails."""
import math
from pathlib import Path
import unittest

import e2e_checks as checks

TRACE_EVERY_S = 0.2
# Every fourth point is written 0.15 s late and the next one on time: between those two the
# trace moves 1.75 times as fast as the aircraft.
LATE_S = 0.15
# Or every 10 s the program stalls for 0.6 s and then jumps to where the aircraft is due: 4 times
# its speed between two points.
STALL_EVERY_S = 10.0
STALL_S = 0.6
LAT0, LON0 = 33.9, -118.4
FEET_PER_METRE = 3.28084


def late_cycles(k, t):
    return t - LATE_S if k % 4 == 1 else t


def stalls(_, t):
    into = t % STALL_EVERY_S
    return t - into if into < STALL_S else t


def on_time(_, t):
    return t


def trace_of(speed_kt, seconds, climb_fpm=0.0, turn_deg_s=0.0, bursts=late_cycles,
             height_ft=3000.0):
    """Trace points (time, latitude, longitude, altitude ft, heading deg, on ground) of an
    aircraft flying north-east at a steady speed, climb and turn rate, shown late by `bursts`."""
    points, x, y, heading = [], 0.0, 0.0, 45.0
    step = TRACE_EVERY_S
    count = int(seconds / step) + 1
    for k in range(count):
        t = k * step
        shown = bursts(k, t)
        # Positions at the shown time along the path flown so far.
        heading_at = 45.0 + turn_deg_s * shown
        if turn_deg_s:
            radius = speed_kt * checks.KT_TO_MPS / math.radians(turn_deg_s)
            x = radius * (math.cos(math.radians(45.0)) - math.cos(math.radians(heading_at)))
            y = radius * (math.sin(math.radians(heading_at)) - math.sin(math.radians(45.0)))
        else:
            distance = speed_kt * checks.KT_TO_MPS * shown
            x, y = distance * math.sin(math.radians(heading)), distance * math.cos(math.radians(heading))
        scale = math.radians(1) * checks.EARTH_RADIUS_M
        lat = LAT0 + y / scale
        lon = LON0 + x / (scale * math.cos(math.radians(LAT0)))
        altitude = height_ft + climb_fpm * shown / 60.0
        points.append((t, lat, lon, altitude, heading_at % 360.0, False))
    return points


def reports_of(seconds, climb_fpm=0.0, turn_deg_s=0.0):
    """Reports every 5 s: (time, track deg, vertical speed fpm)."""
    return [(t, (45.0 + turn_deg_s * t) % 360.0, climb_fpm) for t in range(0, int(seconds) + 1, 5)]


def fastest_kt(points):
    metres = checks.to_metres(LAT0)
    kt, _, _ = checks.fastest_step([p[0] for p in points], [metres(p[1], p[2]) for p in points])
    return kt


def flight(points, reports):
    figures = checks.flight_figures(points, reports, 0.0)
    turns = [f[2] for f in figures if f[2] is not None]
    vertical = [f[3] for f in figures if f[3] is not None]
    return max(turns), max(vertical)


class SpanMeasures(unittest.TestCase):
    def test_a_step_is_measured_over_the_reports_span_not_between_two_points(self):
        for bursts, between_points in ((late_cycles, 1.7), (stalls, 2.9)):
            for speed in (30.0, 150.0, 450.0):
                with self.subTest(bursts=bursts.__name__, speed=speed):
                    points = trace_of(speed, 60.0, bursts=bursts)
                    metres = checks.to_metres(LAT0)
                    xy = [metres(p[1], p[2]) for p in points]
                    neighbours = max(math.hypot(b[0] - a[0], b[1] - a[1]) / (q[0] - p[0])
                                     for p, q, a, b in zip(points, points[1:], xy, xy[1:]))
                    self.assertGreater(neighbours / checks.KT_TO_MPS, between_points * speed)
                    self.assertLess(fastest_kt(points), 1.13 * speed)
                    self.assertAlmostEqual(fastest_kt(trace_of(speed, 60.0, bursts=on_time)),
                                           speed, delta=0.01 * speed)

    def test_a_step_too_fast_for_the_reports_still_fails(self):
        # Flying 1.3 times the reported speed shows over any span.
        points = trace_of(1.3 * 150.0, 60.0, bursts=on_time)
        self.assertGreater(fastest_kt(points), checks.FLIGHT_STEP_SPEED_MARGIN * 150.0)

    def test_vertical_speed_and_turn_rate_see_the_motion_through_the_bursts(self):
        for bursts in (late_cycles, stalls):
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
        self.assertGreater(largest_off, checks.VERTICAL_SPEED_OFF_MAX_FPM)
        points = trace_of(180.0, 90.0, turn_deg_s=8.0)
        largest_turn, _ = flight(points, reports_of(90.0, turn_deg_s=5.0))
        self.assertGreater(largest_turn, checks.TRACK_TURN_MAX_DEG_S)

    def test_the_turn_is_held_to_what_the_aircraft_plausibly_turns_at_its_speed(self):
        shared = Path(__file__).resolve().parents[2].parent / "shared"
        if not (shared / checks.DOC_8643).is_file():
            self.skipTest(f"{shared / checks.DOC_8643} is not there")
        limits = checks.turn_limits(shared)
        # (type, speed kt, turn deg/s, within): a light aircraft circles at 15 degrees a second
        # at 90 kt; an airliner at 180 kt turns at most the floor of 6 (its own 4.3 is less).
        for designator, speed, turn, within in (("C172", 90.0, 15.0, True),
                                                ("C172", 60.0, 41.0, False),
                                                ("BE20", 160.0, 9.0, True),
                                                ("B738", 180.0, 6.0, True),
                                                ("B738", 180.0, 8.0, False),
                                                ("A388", 20.0, 10.0, True)):
            with self.subTest(designator=designator, speed=speed, turn=turn):
                limit = checks.plausible_turn_deg_s(limits[designator], speed)
                self.assertEqual(turn <= limit, within, f"at most {limit:.1f}")

    def test_the_base_speed_is_what_the_reports_positions_give_when_faster(self):
        metres_per_degree = math.radians(1) * checks.EARTH_RADIUS_M
        # Two reports 10 s apart whose positions lie 900 m apart (175 kt) at a reported 99 kt.
        track = {"points": [(0, LAT0, LON0, 99.0), (10, LAT0 + 900.0 / metres_per_degree, LON0, 99.0)]}
        self.assertAlmostEqual(checks.base_speed_kt(track), 900.0 / 10 / checks.KT_TO_MPS, places=3)
        # Standing: at least a taxi's speed.
        track = {"points": [(0, LAT0, LON0, 0.0), (10, LAT0, LON0, 0.0)]}
        self.assertEqual(checks.base_speed_kt(track), checks.TAXI_FLOOR_KT)


if __name__ == "__main__":
    unittest.main()
