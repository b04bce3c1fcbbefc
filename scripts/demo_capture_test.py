#!/usr/bin/env python3
"""scripts/demo_capture.py on the recordings of ../shared: the captures it finds with their
airports and weather, their records as the App stand-in counts them, and the user's place in
the demo's world at each airport without stands (with the build's airport fixture), measured
against OurAirports' runway ends directly.

    scripts/demo_capture_test.py BUILD     (exit code 77: ../shared is missing)
"""
import csv
import json
import math
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import demo  # noqa: E402  pylint: disable=wrong-import-position
import demo_capture  # noqa: E402  pylint: disable=wrong-import-position

SHARED = Path(__file__).resolve().parents[2] / "shared"
BUILD = (Path(sys.argv[1]) if len(sys.argv) > 1 else SHARED.parent / "build").resolve()
# Each capture: its airport, its weather recording (None: none beside it), the weather stations
# of its weather datagrams, and its AITFC records (tests/feed/rtapp_capture_test.cpp counts the
# same, KPTK's repeated lines included).
CAPTURES = {
    "KLAS": ("KLAS", "KLAS_20190305_2055Z_METAR.json", {"KLAS"}, 13774),
    "KLAX": ("KLAX", None, {"KLAX"}, 3827),
    "KPTK": ("KPTK", None, {"KDTW"}, 8116),
    "MMMX": ("MMMX", None, set(), 6517),
}
EARTH_RADIUS_M = 6371008.8


def runway_lines(icao: str):
    """The open runways of OurAirports' runways.csv as pairs of ends with their half width."""
    lines = []
    with (SHARED / "data" / "runways" / "runways.csv").open(encoding="utf-8") as f:
        for row in csv.DictReader(f):
            if row["airport_ident"] == icao and row["closed"] != "1" and row["le_latitude_deg"]:
                lines.append(((float(row["le_latitude_deg"]), float(row["le_longitude_deg"])),
                              (float(row["he_latitude_deg"]), float(row["he_longitude_deg"])),
                              float(row["width_ft"] or 0) * 0.3048 / 2))
    return lines


def metres(a, b, origin):
    """Flat metres from a to b (latitude, longitude) near `origin`."""
    k = math.radians(1) * EARTH_RADIUS_M
    return ((b[1] - a[1]) * k * math.cos(math.radians(origin[0])), (b[0] - a[0]) * k)


def off_runway_m(spot, line) -> float:
    """How far `spot` lies beyond the edge of a runway given by its ends."""
    a, b, half_width = line
    ab, ap = metres(a, b, spot), metres(a, spot, spot)
    length2 = ab[0] ** 2 + ab[1] ** 2
    t = max(0.0, min(1.0, (ap[0] * ab[0] + ap[1] * ab[1]) / length2))
    return math.hypot(ap[0] - t * ab[0], ap[1] - t * ab[1]) - half_width


class DemoCaptureTest(unittest.TestCase):
    def test_every_capture_with_its_airport_weather_and_records(self):
        found = demo_capture.captures(SHARED)
        self.assertEqual(set(found), set(CAPTURES))
        for name, (airport, weather, stations, records) in CAPTURES.items():
            with self.subTest(name):
                capture = demo_capture.find_capture(SHARED, name.lower())
                self.assertEqual(capture.airport, airport)
                self.assertEqual(capture.weather.name if capture.weather else None, weather)
                self.assertEqual(
                    {w["ICAO"] for w in demo_capture.weather(SHARED, capture.path,
                                                             capture.weather)}, stations)
                reports = demo_capture.reports(SHARED / capture.path)
                self.assertEqual(len(reports), records)
                self.assertTrue(all(r.time > 1.5e9 for r in reports))
        self.assertEqual(demo_capture.find_capture(SHARED, "KLAS_20190305_2056Z.txt").name, "KLAS")
        with self.assertRaises(SystemExit):
            demo_capture.find_capture(SHARED, "EHAM")

    def test_the_scene_of_each_choice(self):
        # --capture, --airport: the capture, its airport, whether it plays, whether stands.
        cases = (((None, None), ("KLAX", "KLAX", True, True)),
                 (("KLAS", None), ("KLAS", "KLAS", True, False)),
                 ((None, "klas"), ("KLAS", "KLAS", True, False)),
                 ((None, "LSZH"), ("KLAX", "LSZH", False, True)),
                 (("MMMX", "EHAM"), ("MMMX", "EHAM", False, True)))
        for (capture, airport), expected in cases:
            with self.subTest(capture=capture, airport=airport):
                demo.set_scene(SHARED, airport, capture)
                self.assertEqual((demo.CAPTURE_NAME, demo.AIRPORT, demo.has_capture(),
                                  demo.AIRPORT_HAS_STANDS), expected)
        with self.assertRaises(SystemExit):
            demo.set_scene(SHARED, "KPTK", "KLAS")

    def test_the_user_stands_off_the_runways_where_an_aircraft_stood(self):
        # Each airport without stands: whether an aircraft of its capture stood at the airport.
        for name, stood in (("KLAS", True), ("MMMX", True), ("KPTK", False)):
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                demo.set_scene(SHARED, capture=name)
                self.assertFalse(demo.AIRPORT_HAS_STANDS)
                layout = demo.Layout(Path(folder))
                place_text = demo.make_world(SHARED, BUILD, layout)
                world = json.loads(layout.world.read_text(encoding="utf-8"))
                self.assertEqual(world["user"]["groundElevationFeet"], demo.AIRPORT_ELEVATION_FT)
                user = world["user"]["track"][0]
                place = (user["latitude"], user["longitude"])
                lines = runway_lines(name)
                self.assertTrue(lines)
                self.assertGreaterEqual(min(off_runway_m(place, line) for line in lines),
                                        demo_capture.RUNWAY_CLEARANCE_M - 1, place_text)
                # Nothing on a runway is in the user's way: the reach ahead of the user's nose
                # that the program clears of live aircraft on the ground meets no runway.
                heading = math.radians(user["headingDegrees"])
                for step in range(0, int(demo_capture.USER_REACH_M) + 1, 25):
                    ahead = (place[0] + math.degrees(step * math.cos(heading) / EARTH_RADIUS_M),
                             place[1] + math.degrees(step * math.sin(heading) / EARTH_RADIUS_M)
                             / math.cos(math.radians(place[0])))
                    self.assertGreater(min(off_runway_m(ahead, line) for line in lines),
                                       demo_capture.USER_HALF_WIDTH_M,
                                       f"{place_text}; {step} m ahead")
                airport = json.loads(layout.airport_file.read_text(encoding="utf-8"))
                self.assertEqual(airport["taxiParkings"], [])
                reference = (airport["latitude"], airport["longitude"])
                self.assertLess(math.hypot(*metres(reference, place, place)),
                                demo_capture.NEAR_AIRPORT_M)
                standing = [r for r in demo_capture.reports(SHARED / demo.CAPTURE)
                            if r.speed_kt <= demo_capture.STANDING_MAX_KT
                            and math.hypot(*metres((r.latitude, r.longitude), place, place)) < 1]
                self.assertEqual(bool(standing), stood, place_text)

    def test_the_summary_counts_errors_and_failures_apart_from_the_news(self):
        # Marked lines of the program's own texts, and whether each is an error or a failure.
        for line, error in (
                ("==> RealTraffic App connected from 127.0.0.1:40218", False),
                ("==> Stop requested: USER CLOSED SIM (4), detail 0", False),
                ("==> RealTraffic App disconnected: server closed", False),
                ("==> Data set airlines updated to version 12", False),
                ("==> SimConnect closed ok", False),
                ("==> Stop requested: SIMCONNECT ERROR (2), detail 3", True),
                ("==> Download of http://127.0.0.1:41000/downloads/MSFS/archive/stock/MMMX.enc "
                 "failed: HTTP status 404", True),
                ("==> [regcodes] AIG-regcodes.enc not available, system error, should not "
                 "happen?", True),
                ("==> Facility data request timed out for MMMX", True),
                ("==> Could not write 'parameters.xml'", True),
                ("==> SIMCONNECT_EXCEPTION #3", True),
                ("[zip] ERROR addData(a.bgl)", True),
                ("Traffic Reader listening on port 49005", None)):
            with self.subTest(line):
                errors, news = demo.marked_lines([line])
                self.assertEqual((bool(errors), bool(news)),
                                 (error is True, error is False))


if __name__ == "__main__":
    if not (SHARED / demo_capture.RECORDINGS).is_dir():
        print(f"skipped: {SHARED / demo_capture.RECORDINGS} is missing")
        sys.exit(77)
    unittest.main(argv=sys.argv[:1])
