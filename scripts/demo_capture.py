"""The App captures of ../shared/feed/recordings as the demo plays them (scripts/run-demo
--capture NAME): which there are and the airport each was recorded at, the weather recorded
with each, their traffic records in the three layouts the App stand-in reads
(tools/rtapp_standin/capture.h), and a place for the user on the ground at the capture's airport
where no captured aircraft comes for as long as the capture allows.
"""
import json
import math
import re
from pathlib import Path
from typing import NamedTuple, Optional

RECORDINGS = Path("feed") / "recordings"
# "KLAS_20190305_2056Z.txt", "MMMX.txt", "KPTK_20201128.csv": the airport, then the day.
CAPTURE_FILE = re.compile(r"^([A-Z0-9]{4})(?:_(\d{8}))?[^.]*\.(?:csv|txt)$")
# "KLAS_20190305_2055Z_METAR.json": weather datagrams of a session at that airport and day.
WEATHER_FILE = re.compile(r"^([A-Z0-9]{4})_(\d{8})_.*_METAR\.json$")
# A datagram as the receiver wrote it: "(<epoch>, ':', '<datagram>')" or "<epoch> : <datagram>";
# a csv line is the datagram itself.
RECEIVED_LINES = (re.compile(r"^\(([0-9.]+), ':', '(.*)'\)$"), re.compile(r"^([0-9.]+) : (.*)$"))
# The position time of a 15-field AITFC record.
AITFC_TIME_FIELD = 14
# As the App stand-in infers them in captures that mark every aircraft airborne
# (tools/rtapp_standin/capture.h): on the ground are records at altitude 0 or below and those
# at most this high above the airport, this slow.
GROUND_HEIGHT_FT = 200.0
MAX_GROUND_SPEED_KT = 40.0
EARTH_RADIUS_M = 6371008.8

# The user's place at an airport without stands: where a captured aircraft stood (at most this
# fast) this near the airport, this far beyond every runway's edge, and as long as can be from
# the capture's start before a captured aircraft on the ground comes this near (consecutive
# ground reports of one aircraft at most this far apart in time count as its path between them).
STANDING_MAX_KT = 1.0
NEAR_AIRPORT_M = 5000.0
RUNWAY_CLEARANCE_M = 150.0
AIRCRAFT_CLEARANCE_M = 60.0
GROUND_PATH_GAP_S = 60.0
# Without such a place, the nearest point to the airport's reference point that keeps the same
# clearances, searched on rings this far apart, out to the last.
SEARCH_STEP_M = 10.0
SEARCH_RADIUS_M = 4000.0
# The program takes a live aircraft on the ground out of the user's way when it comes within
# this far ahead of the user's nose and this far to either side (traffic/removals/
# user_collisions.h): the user faces where that reach meets no runway and the fewest captured
# paths on the ground, so that the demo's take-offs and landings are not taken away.
USER_REACH_M = 1852.0
USER_HALF_WIDTH_M = 15.24
FACING_STEP_DEG = 5


class Capture(NamedTuple):
    """A recording of App traffic: named by its airport's ICAO code on the command line."""
    name: str
    airport: str
    path: Path
    # A recording of the same session's weather datagrams beside it, when there is one; the
    # capture may hold weather lines of its own too.
    weather: Optional[Path]


class Report(NamedTuple):
    """One AITFC record: its fields padded to the 15 of the newer layout, the position time (the
    receiver's time where the record has none) in field 14."""
    fields: list
    time: float

    @property
    def ident(self) -> str:
        return self.fields[1]

    @property
    def latitude(self) -> float:
        return float(self.fields[2])

    @property
    def longitude(self) -> float:
        return float(self.fields[3])

    @property
    def altitude_ft(self) -> float:
        return float(self.fields[4] or 0)

    @property
    def speed_kt(self) -> float:
        return float(self.fields[8] or 0)

    @property
    def track(self) -> float:
        return float(self.fields[7] or 0)

    @property
    def callsign(self) -> str:
        return self.fields[9].strip().upper()

    @property
    def icao_type(self) -> str:
        return self.fields[10].strip().upper()

    @property
    def airborne_flag(self) -> bool:
        return self.fields[6].strip() != "0"


def captures(shared: Path) -> dict:
    """Every App capture of the recordings by name, with the weather recorded beside it."""
    folder = shared / RECORDINGS
    files = sorted(p.name for p in folder.iterdir()) if folder.is_dir() else []
    found = {}
    for name in files:
        match = CAPTURE_FILE.match(name)
        if not match:
            continue
        icao, day = match.groups()
        weather = next((w for w in files if (m := WEATHER_FILE.match(w))
                        and m.group(1) == icao and m.group(2) == day), None)
        # A second capture of one airport goes by its file's name.
        key = icao if icao not in found else Path(name).stem
        found[key] = Capture(key, icao, RECORDINGS / name,
                             RECORDINGS / weather if weather else None)
    return found


def find_capture(shared: Path, name: str) -> Capture:
    """The capture a name means: its airport's ICAO code or its file name."""
    known = captures(shared)
    for key, capture in known.items():
        if name.upper() == key.upper() or name in (capture.path.name, capture.path.stem):
            return capture
    raise SystemExit(f"run-demo: no capture {name} in {shared / RECORDINGS} (there are: "
                     f"{', '.join(known) or 'none'})")


def datagrams(path: Path):
    """(receiver time or None, datagram) for every line of a recording."""
    with path.open(encoding="utf-8", errors="replace") as f:
        for raw in f:
            line = raw.strip()
            if not line:
                continue
            for layout in RECEIVED_LINES:
                match = layout.match(line)
                if match:
                    yield float(match.group(1)), match.group(2)
                    break
            else:
                yield None, line


def reports(path: Path) -> list:
    """The traffic records of a capture in file order; one whose position, altitude, vertical
    speed, track or speed is no number is left out."""
    found = []
    for received, datagram in datagrams(path):
        if not datagram.startswith("AITFC,"):
            continue
        fields = datagram.split(",")
        if len(fields) < 11:
            continue
        fields += [""] * (AITFC_TIME_FIELD + 1 - len(fields))
        try:
            float(fields[2]), float(fields[3])
            for number in (4, 5, 7, 8):
                float(fields[number] or 0)
        except ValueError:
            continue
        own = fields[AITFC_TIME_FIELD].strip()
        try:
            time = float(own) if own else received
        except ValueError:
            time = received
        if time is None:
            continue
        if not own:
            fields[AITFC_TIME_FIELD] = f"{time:.2f}"
        found.append(Report(fields, time))
    return found


def weather(shared: Path, *paths) -> list:
    """The weather datagrams (parsed JSON) of recordings (paths in ../shared; None for none)."""
    found = []
    for path in paths:
        if path is None:
            continue
        for _, datagram in datagrams(shared / path):
            if datagram.startswith("{"):
                try:
                    found.append(json.loads(datagram))
                except ValueError:
                    pass
    return found


def ground_test(records, elevation_ft: float):
    """Whether a record is on the ground, as the App stand-in decides it."""
    if all(r.airborne_flag for r in records):
        return lambda r: r.altitude_ft <= 0 or (r.altitude_ft <= elevation_ft + GROUND_HEIGHT_FT
                                                 and r.speed_kt <= MAX_GROUND_SPEED_KT)
    return lambda r: not r.airborne_flag


class Spot(NamedTuple):
    latitude: float
    longitude: float
    heading: float
    # How it was chosen, for the demo's report.
    reason: str


class _Plane:
    """Flat metres east and north of the airport's reference point."""

    def __init__(self, latitude: float, longitude: float):
        self.latitude, self.longitude = latitude, longitude
        self.scale = math.radians(1) * EARTH_RADIUS_M
        self.cos = math.cos(math.radians(latitude))

    def point(self, latitude: float, longitude: float):
        return ((longitude - self.longitude) * self.scale * self.cos,
                (latitude - self.latitude) * self.scale)

    def position(self, x: float, y: float):
        return (round(self.latitude + y / self.scale, 7),
                round(self.longitude + x / (self.scale * self.cos), 7))


def _segment_distance(p, a, b) -> float:
    dx, dy = b[0] - a[0], b[1] - a[1]
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy)
                                              / length2))
    return math.hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy)


def _runways(airport, plane: _Plane):
    """Each runway of an airport file as its centreline's ends, half width and heading."""
    found = []
    for runway in airport.get("runways", []):
        centre = plane.point(runway["latitude"], runway["longitude"])
        heading = math.radians(runway["headingDegrees"])
        half = runway["lengthMeters"] / 2
        along = (math.sin(heading) * half, math.cos(heading) * half)
        found.append(((centre[0] - along[0], centre[1] - along[1]),
                      (centre[0] + along[0], centre[1] + along[1]),
                      runway.get("widthMeters", 45.0) / 2, runway["headingDegrees"]))
    return found


def _segments_distance(a, b, c, d) -> float:
    """The least distance between the segments a-b and c-d."""
    def side(p, q, r):
        return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])
    if side(a, b, c) * side(a, b, d) < 0 and side(c, d, a) * side(c, d, b) < 0:
        return 0.0
    return min(_segment_distance(a, c, d), _segment_distance(b, c, d),
               _segment_distance(c, a, b), _segment_distance(d, a, b))


def _facing(p, runways, paths, preferred: float) -> float:
    """The heading (degrees) for a user at p whose reach ahead meets no runway and the fewest
    captured paths on the ground; the nearest to `preferred` among equals."""
    near = [(a, b) for a, b, _ in paths
            if _segment_distance(p, a, b) <= USER_REACH_M + USER_HALF_WIDTH_M]
    best = None
    for k in range(0, 360, FACING_STEP_DEG):
        heading = (preferred + k) % 360.0
        ahead = (p[0] + USER_REACH_M * math.sin(math.radians(heading)),
                 p[1] + USER_REACH_M * math.cos(math.radians(heading)))
        runway_met = any(_segments_distance(p, ahead, a, b) <= half + USER_HALF_WIDTH_M
                         for a, b, half, _ in runways)
        crossed = sum(1 for a, b in near
                      if _segments_distance(p, ahead, a, b) <= USER_HALF_WIDTH_M)
        turn = min(k, 360 - k)
        key = (runway_met, crossed, turn)
        if best is None or key < best[0]:
            best = (key, heading)
    return round(best[1], 1)


def _runway_clearance(p, runways) -> float:
    return min((_segment_distance(p, a, b) - half for a, b, half, _ in runways), default=math.inf)


def _ground_paths(records, on_ground, plane: _Plane):
    """The paths of the captured aircraft on the ground near the airport: (from, to, time)."""
    by_aircraft = {}
    for r in records:
        if on_ground(r):
            p = plane.point(r.latitude, r.longitude)
            if math.hypot(*p) <= NEAR_AIRPORT_M:
                by_aircraft.setdefault(r.ident, []).append((r.time, p))
    paths = []
    for ident, points in by_aircraft.items():
        points.sort(key=lambda tp: tp[0])
        for i, (time, p) in enumerate(points):
            paths.append((p, p, time))
            # Id 0 is many aircraft: no path joins its reports.
            if ident != "0" and i + 1 < len(points) \
                    and points[i + 1][0] - time <= GROUND_PATH_GAP_S:
                paths.append((p, points[i + 1][1], time))
    return paths


def user_spot(airport, records, elevation_ft: float, start: float) -> Spot:
    """The user's place at an airport without stands (an airport file of the simulated world,
    the capture's records, the airport's elevation and the capture's first time): where a
    captured aircraft stood, off the runways, that no captured aircraft on the ground comes near
    for the longest time from the capture's start (the nearest to the reference point among
    equals); without one, the nearest point to the reference point off the runways and the
    captured paths on the ground. The user faces where the program's reach ahead of the nose
    meets no runway (_facing)."""
    plane = _Plane(airport["latitude"], airport["longitude"])
    runways = _runways(airport, plane)
    on_ground = ground_test(records, elevation_ft)
    paths = _ground_paths(records, on_ground, plane)

    def free_until(p) -> float:
        return min((time for a, b, time in paths
                    if _segment_distance(p, a, b) < AIRCRAFT_CLEARANCE_M), default=math.inf)

    candidates, seen = [], set()
    for r in records:
        if not on_ground(r) or r.speed_kt > STANDING_MAX_KT:
            continue
        p = plane.point(r.latitude, r.longitude)
        cell = (round(p[0] / SEARCH_STEP_M), round(p[1] / SEARCH_STEP_M))
        if cell in seen or math.hypot(*p) > NEAR_AIRPORT_M \
                or _runway_clearance(p, runways) < RUNWAY_CLEARANCE_M:
            continue
        seen.add(cell)
        candidates.append((p, r))
    if candidates:
        best = max(candidates, key=lambda c: (free_until(c[0]), -math.hypot(*c[0])))
        p, r = best
        until = free_until(p)
        latitude, longitude = plane.position(*p)
        near = (f"no captured aircraft on the ground comes within {AIRCRAFT_CLEARANCE_M:.0f} m "
                f"of it")
        free = (f"{near} in the whole capture" if until == math.inf else
                f"{near} in the capture's first {(until - start) / 60:.1f} min")
        who = r.callsign or r.fields[11] or f"id {r.ident}"
        return Spot(latitude, longitude, _facing(p, runways, paths, r.track),
                    f"where {who} ({r.icao_type or 'type unknown'}) stood in the capture, "
                    f"{_runway_clearance(p, runways):.0f} m off the nearest runway; {free}")
    ring = 0.0
    while ring <= SEARCH_RADIUS_M:
        steps = max(1, int(2 * math.pi * ring / SEARCH_STEP_M))
        for k in range(steps):
            angle = 2 * math.pi * k / steps
            p = (ring * math.sin(angle), ring * math.cos(angle))
            if _runway_clearance(p, runways) >= RUNWAY_CLEARANCE_M and free_until(p) == math.inf:
                nearest = min(runways, key=lambda rw: _segment_distance(p, rw[0], rw[1]),
                              default=None)
                latitude, longitude = plane.position(*p)
                return Spot(latitude, longitude,
                            _facing(p, runways, paths, nearest[3] if nearest else 0.0),
                            f"{ring:.0f} m from the airport's reference point, "
                            f"{_runway_clearance(p, runways):.0f} m off the nearest runway "
                            f"(no captured aircraft stood at this airport)")
        ring += SEARCH_STEP_M
    raise SystemExit(f"run-demo: no place off the runways within {SEARCH_RADIUS_M:.0f} m of "
                     f"{airport.get('icao', 'the airport')}'s reference point")
