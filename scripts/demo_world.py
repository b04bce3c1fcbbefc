"""The simulator stand-in's world of the demo and the airport in it: `make_world` writes the
airport file (runways, stands) and the world with the user's place (`user_place`: a gate, or a
spot where the capture's aircraft stood) and the installed liveries; `make_archived_airport_file`
puts the airport's stock file, with flight options for its gates, on the download area."""
import json
import math
import re
import subprocess
import xml.etree.ElementTree as ET
from pathlib import Path

import demo_capture
import demo_scene as scene
from demo_layout import Layout
from demo_liveries import installed_liveries

# The most AI objects the simulator stand-in holds unless the demo is told otherwise.
WORLD_OBJECTS = 300


def stand_position(airport, parking):
    """A stand's position from its offsets in metres from the airport's reference point."""
    radius = demo_capture.EARTH_RADIUS_M
    latitude = airport["latitude"] + math.degrees(parking["biasZMeters"] / radius)
    longitude = airport["longitude"] + math.degrees(
        parking["biasXMeters"] / (radius * math.cos(math.radians(latitude))))
    return latitude, longitude


def user_stand(airport_file: Path):
    """The user's place: the airport's first medium gate (an A320's), else its smallest gate,
    else its first parking, from the airport file whose stands lie at offsets in metres from
    the airport's reference point."""
    airport = json.loads(airport_file.read_text(encoding="utf-8"))
    parkings = airport["taxiParkings"]
    gates = [p for p in parkings if p["type"] == "GATE_MEDIUM"] or sorted(
        (p for p in parkings if p["type"].startswith("GATE")), key=lambda p: p["radiusMeters"]) \
        or parkings
    if not gates:
        return airport["latitude"], airport["longitude"], 0.0
    gate = gates[0]
    latitude, longitude = stand_position(airport, gate)
    return round(latitude, 7), round(longitude, 7), gate["headingDegrees"]


def user_place(shared: Path, layout: Layout):
    """Where the user stands and why: at a gate of an airport with stands, else at a place off
    the runways where the capture's aircraft stood (demo_capture.user_spot)."""
    if scene.AIRPORT_HAS_STANDS:
        return (*user_stand(layout.airport_file), "at a gate of the airport's stands")
    airport = json.loads(layout.airport_file.read_text(encoding="utf-8"))
    records = demo_capture.reports(shared / scene.CAPTURE)
    spot = demo_capture.user_spot(airport, records, scene.AIRPORT_ELEVATION_FT,
                                  min((r.time for r in records), default=0.0))
    return spot.latitude, spot.longitude, spot.heading, spot.reason


def make_world(shared: Path, build: Path, layout: Layout,
               max_objects: int = WORLD_OBJECTS) -> str:
    """The simulator stand-in's world: a flight at the airport, its runways and stands (if it
    has any), the installed liveries AI creates may name, and the most objects it holds; says
    where the user stands."""
    layout.world.parent.mkdir(parents=True)
    data = shared / "data"
    parking = ([str(data / "stands" / scene.AIRPORT / "parking.xml")]
               if scene.AIRPORT_HAS_STANDS else [])
    subprocess.run([str(build / "tools" / "airport_fixture" / "skyloom_airport_fixture"),
                    scene.AIRPORT, str(data / "runways" / "airports.csv"),
                    str(data / "runways" / "runways.csv"), *parking, str(layout.airport_file)],
                   check=True)
    latitude, longitude, heading, place = user_place(shared, layout)
    world = {
        "simulator": {"name": "KittyHawk", "flightRunning": True},
        "frames": {"rateHz": 30},
        "journal": {"maxEntries": 0},
        "user": {
            "title": "Airbus A320 Neo FlyByWire", "atcModel": "A20N", "atcId": "N320SK",
            "groundElevationFeet": scene.AIRPORT_ELEVATION_FT,
            "track": [{"at": 0, "latitude": latitude, "longitude": longitude,
                       "headingDegrees": heading}],
        },
        "liveries": installed_liveries(layout),
        "aiObjects": {"assignDelaySeconds": 0.2, "removeDelaySeconds": 0.1,
                      "maxObjects": max_objects,
                      "tracePointsPerObject": 0, "reportFile": str(layout.ai_report),
                      "reportEverySeconds": 5, "traceFile": str(layout.trace),
                      "traceEverySeconds": 1},
        "airports": [layout.airport_file.name],
    }
    layout.world.write_text(json.dumps(world, indent=1) + "\n", encoding="utf-8")
    return place


def make_archived_airport_file(build: Path, layout: Layout, aircraft) -> None:
    """The park airport's airport file as the maker archives a stock airport: encrypted, on the
    download area that the download-area stand-in serves (archive/stock/<ICAO>.enc of the
    simulator's downloads), which the airport scan never writes, unlike airports/my_thirdparty,
    whose content a committed scan replaces whole. It holds the stands of the simulator's
    scenery, and on its gates flight options every day and half-hour for the capture's
    airliners (airline from the callsign, as RealTraffic keys them), so that static parking has
    a plan to make."""
    airport = json.loads(layout.airport_file.read_text(encoding="utf-8"))
    airliners = sorted({(callsign[:3], icao_type) for icao_type, callsign in aircraft.values()
                        if re.fullmatch(r"[A-Z]{3}\d.*", callsign) and icao_type})
    root = ET.Element("root")
    ET.SubElement(root, "meta", version="0.1.0", sim="1", program="Skyloom",
                  copyright="Copyright (c) Skyloom developers", created="2026-01-01T00:00:00Z")
    parameters = ET.SubElement(root, "parameters")
    stands = airport["taxiParkings"]
    for name, value in (("icao", scene.AIRPORT), ("airport_name", airport["name"]),
                        ("latitude", f"{airport['latitude']:.4f}"),
                        ("longitude", f"{airport['longitude']:.4f}"),
                        ("publisher", "stock"), ("altitude", str(scene.AIRPORT_ELEVATION_FT))):
        ET.SubElement(parameters, "parameter", name=name, value=value)
    count = ET.SubElement(parameters, "parameter", name="num_parkpos")
    section = ET.SubElement(root, "parkpositions")
    seen = set()
    gate = 0
    for parking in stands:
        # A ground net may name many parkings alike (165 of Zurich's are "A11"): an airport
        # file holds each id once, so a repeated one takes the first free suffix a, b, ... z,
        # then a number.
        base = f"{parking['name'].replace('_', ' ')} {parking['number']}"
        ident = base
        suffixes = (c for c in "abcdefghijklmnopqrstuvwxyz")
        repeat = 0
        while ident in seen:
            letter = next(suffixes, None)
            repeat += 1
            ident = f"{base}{letter}" if letter else f"{base}-{repeat}"
        seen.add(ident)
        latitude, longitude = stand_position(airport, parking)
        parkpos = ET.SubElement(section, "parkpos", id=ident, typestr=parking["type"],
                                latitude=f"{latitude:.6f}", longitude=f"{longitude:.6f}",
                                heading=f"{parking['headingDegrees']:.1f}",
                                radius=f"{parking['radiusMeters']:.1f}")
        if parking["type"].startswith("GATE") and airliners:
            airline, icao_type = airliners[gate % len(airliners)]
            for day in range(1, 8):
                ET.SubElement(parkpos, "opt", reg=f"N{gate + 100}DM", airl=airline,
                              type=icao_type, day=str(day), hh="0:47")
            gate += 1
    count.set("value", str(len(seen)))
    plain = layout.demo / "world" / f"{scene.AIRPORT}.xml"
    ET.ElementTree(root).write(plain, encoding="UTF-8", xml_declaration=True)
    # The demo's settings choose MSFS 2020, whose archived files lie under downloads/MSFS.
    folder = layout.area / "downloads" / "MSFS" / "archive" / "stock"
    folder.mkdir(parents=True)
    subprocess.run([str(build / "tools" / "encryptor" / "skyloom_encryptor"), str(plain),
                    str(folder / f"{scene.AIRPORT}.enc")], check=True)
