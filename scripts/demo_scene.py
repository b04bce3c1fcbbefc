"""The demo's scene: which capture of ../shared/feed/recordings plays at which airport, set once
per run by `set_scene` and read by the rest of the demo as this module's values (CAPTURE,
AIRPORT, ...); `has_capture` tells whether the capture plays as live traffic there."""
import csv
from pathlib import Path

import demo_capture

# The demo's capture, one of the App captures of ../shared/feed/recordings (scripts/run-demo
# --capture NAME; KLAX's by default), with the weather recorded beside it, if any; and its
# airport: the capture's own, or any of ../shared/data/stands (--airport), where the capture
# gives only the liveries and flight options. The elevation comes from OurAirports'
# airports.csv; only an airport with stands has a stock airport file.
DEFAULT_CAPTURE = "KLAX"
CAPTURE_NAME = "KLAX"
CAPTURE_AIRPORT = "KLAX"
CAPTURE = "feed/recordings/KLAX_20200617_2152.csv"
CAPTURE_WEATHER = None
AIRPORT = "KLAX"
AIRPORT_ELEVATION_FT = 125
AIRPORT_HAS_STANDS = True


def set_scene(shared: Path, airport=None, capture=None) -> None:
    """Makes the demo play `capture` (its name; by default the airport's capture, if it has
    one, else KLAX's) at `airport` (the capture's own by default; another must have stands in
    ../shared), at its OurAirports elevation."""
    global AIRPORT, AIRPORT_ELEVATION_FT, AIRPORT_HAS_STANDS
    global CAPTURE, CAPTURE_NAME, CAPTURE_AIRPORT, CAPTURE_WEATHER
    if capture is None and airport:
        capture = next((c.name for c in demo_capture.captures(shared).values()
                        if c.airport == airport.upper()), None)
    chosen = demo_capture.find_capture(shared, capture or DEFAULT_CAPTURE)
    icao = (airport or chosen.airport).upper()
    stands = shared / "data" / "stands"
    known = sorted(p.name for p in stands.iterdir() if (p / "parking.xml").is_file()) \
        if stands.is_dir() else []
    if icao != chosen.airport and icao not in known:
        raise SystemExit(f"run-demo: no stands of {icao} in {stands} (there are: "
                         f"{', '.join(known) or 'none'}) and no capture of it (--capture: "
                         f"{', '.join(demo_capture.captures(shared))})")
    with (shared / "data" / "runways" / "airports.csv").open(encoding="utf-8") as f:
        for row in csv.DictReader(f):
            if row["ident"] == icao:
                AIRPORT_ELEVATION_FT = round(float(row["elevation_ft"] or 0))
                break
        else:
            raise SystemExit(f"run-demo: {icao} is not in airports.csv")
    AIRPORT, AIRPORT_HAS_STANDS = icao, icao in known
    CAPTURE_NAME, CAPTURE_AIRPORT = chosen.name, chosen.airport
    CAPTURE = str(chosen.path)
    CAPTURE_WEATHER = str(chosen.weather) if chosen.weather else None


def has_capture() -> bool:
    """The capture plays as live traffic at its own airport only."""
    return AIRPORT == CAPTURE_AIRPORT
