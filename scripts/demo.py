#!/usr/bin/env python3
"""The demo's data work for scripts/run-demo: `prepare` makes the demo folder (working folder,
simulated simulator installation with livery packages, simulator stand-in world, settings and
credentials), `progress` prints one line about a running demo, `summary` the closing report,
`ports` three ports free this moment for the App's road (TCP, traffic UDP, weather UDP),
`airport` the demo's airport, `replay` the arguments of the stand-in that plays the capture.

Everything is generated into the demo folder from the public data in ../shared at run time;
nothing of it is copied into the source tree.
"""
import argparse
import csv
import json
import math
import re
import shutil
import socket
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path
from typing import NamedTuple

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
DEFAULT_AIRPORT = "KLAX"
EARTH_RADIUS_M = 6371008.8
# The licence the web API stand-in knows when given no other.
RTAPI_LICENCE = "AAA-BBB-CCC-DDD"
# The package folders the automatic livery scan looks for (MSFS 2020 names).
FSLTL_PACKAGE = "fsltl-traffic-base"
AIG_PACKAGE = "aig-aitraffic-oci-beta"
# The real aircraft.cfg whose text every generated variant is made from.
VARIANT_TEMPLATE = ("jopeek-fsltl-canada-air-virtual-pack/SimObjects/Airplanes/FSLTL_B738_CAN/"
                    "aircraft.cfg")
# The web API stand-in's recordings, and the recordings made of the capture for it: a live
# series (one reply every RTAPI_SERIES_STEP_S of the capture, each aircraft where it was last
# reported within RTAPI_REPORT_AGE_S; tools/rtapi_standin/live_series.h) and the nearest METAR
# from the capture's weather.
RTAPI_RECORDINGS = "feed/recordings/RT_API_decoded"
RTAPI_TEMPLATE_RECORDING = "746213911.74435.json"
RTAPI_KLAX_RECORDING = "KLAX_live.json"
RTAPI_KLAX_METAR = "KLAX_metar.json"
RTAPI_SERIES_STEP_S = 5
RTAPI_REPORT_AGE_S = 60
# As the App stand-in infers them (tools/rtapp_standin/capture.h): on the ground are aircraft
# at most this high above the airport, this slow.
GROUND_HEIGHT_FT = 200.0
MAX_GROUND_SPEED_KT = 40.0
CALLSIGN_AIRLINE = re.compile(r"^([A-Z]{3})\d")
TITLE_LINE = re.compile(r"^[ \t]*title[ \t]*=[ \t]*(.*?)[ \t]*$", re.IGNORECASE | re.MULTILINE)
TYPE_LINE = re.compile(r'^\s*icao_type_designator\s*=\s*"?([A-Za-z0-9]+)', re.IGNORECASE | re.MULTILINE)


class AppPorts(NamedTuple):
    """The program's TCP port for the App (PORT_NUMBER) and the App's UDP ports
    (SKYLOOM_APP_UDP_PORTS)."""
    tcp: int
    traffic: int
    weather: int

    def udp_variable(self) -> str:
        return f"{self.traffic},{self.weather}"


def free_ports() -> AppPorts:
    """Ports that no process holds this moment, chosen by the system: a demo or an end-to-end
    run takes its own, so that several run side by side on one machine and no App stand-in
    reaches another run's program."""
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as tcp, \
            socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as traffic, \
            socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as weather:
        for s in (tcp, traffic, weather):
            s.bind(("0.0.0.0", 0))
        return AppPorts(*(s.getsockname()[1] for s in (tcp, traffic, weather)))


def ports(_args) -> None:
    print(*free_ports())


class Layout:
    """Where everything of the demo lies."""

    def __init__(self, demo: Path):
        self.demo = demo
        self.workdir = demo / "skyloom"
        self.appdata = demo / "appdata"
        self.localappdata = demo / "localappdata"
        self.packages = demo / "msfs-packages"
        self.world = demo / "world" / f"{AIRPORT}.world.json"
        self.airport_file = demo / "world" / f"{AIRPORT}.airport.json"
        self.logs = demo / "logs"
        self.captures = demo / "captures"
        self.rtapi_recordings = demo / "rtapi-recordings"
        # The download-area stand-in's folder: the maker's area, where stock airport files lie.
        self.area = demo / "download-area"
        # The simulator stand-in's AI report (docs/simworld.md, aiObjects.reportFile).
        self.ai_report = self.logs / "ai_objects.txt"
        # Its trace of every AI object's positions (aiObjects.traceFile).
        self.trace = demo / "world" / "trace.txt"
        self.picture = self.captures / f"{AIRPORT}-traffic.png"


def capture_aircraft(capture: Path):
    """Every aircraft of the capture: id -> (type, callsign) from its last traffic line."""
    return {r.ident: (r.icao_type, r.callsign) for r in demo_capture.reports(capture)}


def cfg_value(raw: str) -> str:
    """A key's value as the scan reads it: the quoted text, else the text before a comment."""
    if raw.startswith('"'):
        return raw[1:].split('"', 1)[0]
    return raw.split(";", 1)[0].strip()


def variant_text(template: str, icao_type: str, airlines) -> str:
    """The template with its type replaced and one [FLTSIM.N] section per airline."""
    head, rest = re.split(r"^\[FLTSIM\.0\][ \t]*$", template, maxsplit=1, flags=re.I | re.M)
    section, _, tail = rest.partition("\n[")
    head = set_key(head, "icao_type_designator", f'"{icao_type}"')
    # The template's own model folder is no stock aircraft of the simulator: the type decides.
    head = set_key(head, "base_container", None)
    sections = []
    for n, airline in enumerate(airlines):
        text = set_key(section, "title", f'"{title_of(icao_type, airline)}"')
        text = set_key(text, "texture", f'"{airline or "PVT"}"')
        text = set_key(text, "atc_airline", f'"{airline or "Private"}"')
        text = set_key(text, "icao_airline", f'"{airline}"' if airline else None)
        sections.append(f"[FLTSIM.{n}]{text}")
    return head + "".join(sections) + ("\n[" + tail if tail else "")


def set_key(text: str, key: str, value) -> str:
    """The text with the line of `key` set to `value` (None: the line dropped)."""
    line = f"{key} = {value}" if value is not None else ""
    return re.sub(rf"^[ \t]*{key}[ \t]*=.*$", lambda _: line, text, flags=re.I | re.M)


def title_of(icao_type: str, airline: str) -> str:
    return f"Skyloom Demo {icao_type} {airline or 'Private'}"


def make_packages(shared: Path, layout: Layout, aircraft) -> None:
    """The simulated installation: UserCfg.opt naming the packages folder, the real AI
    packages' aircraft.cfg files in their packages, and variants for the capture's types."""
    community = layout.packages / "Community"
    (layout.packages / "Official").mkdir(parents=True)
    cfg_root = shared / "data" / "aircraftcfg"
    # The real files, each in the package kind it came from.
    for cfg in sorted(cfg_root.rglob("aircraft.cfg")):
        parts = cfg.relative_to(cfg_root).parts
        if "SimObjects" not in parts:
            continue
        if AIG_PACKAGE in parts:
            package = AIG_PACKAGE
        elif "fsltl" in parts[0]:
            package = FSLTL_PACKAGE
        else:
            continue  # a user aircraft, not an AI package
        target = community / package / Path(*parts[parts.index("SimObjects"):])
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(cfg, target)
    # Variants: one file per type of the capture, one livery per airline flying it.
    by_type = {}
    for icao_type, callsign in aircraft.values():
        if icao_type:
            match = CALLSIGN_AIRLINE.match(callsign)
            by_type.setdefault(icao_type, set()).add(match.group(1) if match else "")
    template = (cfg_root / VARIANT_TEMPLATE).read_text(encoding="utf-8", errors="replace")
    for icao_type, airlines in sorted(by_type.items()):
        folder = community / FSLTL_PACKAGE / "SimObjects" / "Airplanes" / f"SKYLOOM_DEMO_{icao_type}"
        folder.mkdir(parents=True)
        ordered = sorted(airlines)
        (folder / "aircraft.cfg").write_text(variant_text(template, icao_type, ordered),
                                             encoding="utf-8")
        for airline in ordered:
            (folder / f"texture.{airline or 'PVT'}").mkdir()
    steam = layout.appdata / "Microsoft Flight Simulator"
    steam.mkdir(parents=True)
    (steam / "UserCfg.opt").write_text(f'InstalledPackagesPath "{layout.packages}"\n',
                                       encoding="utf-8")


def installed_liveries(layout: Layout):
    """The world's livery catalogue: every title of the installed packages with its type."""
    liveries = {}
    for cfg in sorted((layout.packages / "Community").rglob("aircraft.cfg")):
        text = cfg.read_text(encoding="utf-8", errors="replace")
        type_match = TYPE_LINE.search(text)
        for raw in TITLE_LINE.findall(text):
            title = cfg_value(raw)
            if title and title.lower() not in liveries:
                liveries[title.lower()] = {"title": title,
                                           "atcModel": type_match.group(1).upper() if type_match else "",
                                           "staticCgToGroundFeet": 7.0}
    return list(liveries.values())


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
    latitude = airport["latitude"] + math.degrees(gate["biasZMeters"] / EARTH_RADIUS_M)
    longitude = airport["longitude"] + math.degrees(
        gate["biasXMeters"] / (EARTH_RADIUS_M * math.cos(math.radians(latitude))))
    return round(latitude, 7), round(longitude, 7), gate["headingDegrees"]


def user_place(shared: Path, layout: Layout):
    """Where the user stands and why: at a gate of an airport with stands, else at a place off
    the runways where the capture's aircraft stood (demo_capture.user_spot)."""
    if AIRPORT_HAS_STANDS:
        return (*user_stand(layout.airport_file), "at a gate of the airport's stands")
    airport = json.loads(layout.airport_file.read_text(encoding="utf-8"))
    records = demo_capture.reports(shared / CAPTURE)
    spot = demo_capture.user_spot(airport, records, AIRPORT_ELEVATION_FT,
                                  min((r.time for r in records), default=0.0))
    return spot.latitude, spot.longitude, spot.heading, spot.reason


# The most AI objects the simulator stand-in holds unless the demo is told otherwise.
WORLD_OBJECTS = 300


def make_world(shared: Path, build: Path, layout: Layout,
               max_objects: int = WORLD_OBJECTS) -> str:
    """The simulator stand-in's world: a flight at the airport, its runways and stands (if it
    has any), the installed liveries AI creates may name, and the most objects it holds; says
    where the user stands."""
    layout.world.parent.mkdir(parents=True)
    data = shared / "data"
    parking = [str(data / "stands" / AIRPORT / "parking.xml")] if AIRPORT_HAS_STANDS else []
    subprocess.run([str(build / "tools" / "airport_fixture" / "skyloom_airport_fixture"), AIRPORT,
                    str(data / "runways" / "airports.csv"), str(data / "runways" / "runways.csv"),
                    *parking, str(layout.airport_file)], check=True)
    latitude, longitude, heading, place = user_place(shared, layout)
    world = {
        "simulator": {"name": "KittyHawk", "flightRunning": True},
        "frames": {"rateHz": 30},
        "journal": {"maxEntries": 0},
        "user": {
            "title": "Airbus A320 Neo FlyByWire", "atcModel": "A20N", "atcId": "N320SK",
            "groundElevationFeet": AIRPORT_ELEVATION_FT,
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


def stand_position(airport, parking):
    """A stand's position from its offsets in metres from the airport's reference point."""
    latitude = airport["latitude"] + math.degrees(parking["biasZMeters"] / EARTH_RADIUS_M)
    longitude = airport["longitude"] + math.degrees(
        parking["biasXMeters"] / (EARTH_RADIUS_M * math.cos(math.radians(latitude))))
    return latitude, longitude


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
    for name, value in (("icao", AIRPORT), ("airport_name", airport["name"]),
                        ("latitude", f"{airport['latitude']:.4f}"),
                        ("longitude", f"{airport['longitude']:.4f}"),
                        ("publisher", "stock"), ("altitude", str(AIRPORT_ELEVATION_FT))):
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
    plain = layout.demo / "world" / f"{AIRPORT}.xml"
    ET.ElementTree(root).write(plain, encoding="UTF-8", xml_declaration=True)
    # The demo's settings choose MSFS 2020, whose archived files lie under downloads/MSFS.
    folder = layout.area / "downloads" / "MSFS" / "archive" / "stock"
    folder.mkdir(parents=True)
    subprocess.run([str(build / "tools" / "encryptor" / "skyloom_encryptor"), str(plain),
                    str(folder / f"{AIRPORT}.enc")], check=True)


def make_settings(layout: Layout, road: str, app_port=None) -> None:
    """parameters.xml with the simulator and the road of the demo, ObjectIdList.txt on (the rest
    the program fills in with its defaults), the App's TCP port when given, and the web API
    credentials."""
    folder = layout.appdata / "Skyloom"
    folder.mkdir(parents=True)
    source = "RT Direct" if road == "api" else "RT App"
    port = f'    <parameter name="PORT_NUMBER" value="{app_port}" />\n' if app_port else ""
    (folder / "parameters.xml").write_text(
        '<?xml version="1.0" encoding="UTF-8"?>\n<root>\n  <parameters>\n'
        '    <parameter name="SIM_CHOICE" value="MSFS 2020" />\n'
        # ObjectIdList.txt is written once a minute while this is on; the summary points to it.
        '    <parameter name="OBJECTID_LIST" value="true" />\n'
        f'    <parameter name="RT_CHOISE" value="{source}" />\n{port}'
        '  </parameters>\n</root>\n', encoding="utf-8")
    licence = layout.appdata / "InsideSystems"
    licence.mkdir(parents=True)
    (licence / "RealTraffic.lic").write_text(json.dumps({"License": RTAPI_LICENCE}) + "\n",
                                             encoding="utf-8")


def rtapi_recording_names():
    """The web API stand-in's live series and nearest METAR made of the capture (--live, --metar;
    RTAPI_KLAX_RECORDING and RTAPI_KLAX_METAR for the KLAX capture)."""
    return f"{CAPTURE_NAME}_live.json", f"{CAPTURE_NAME}_metar.json"


def rtapi_entry(template, r):
    """A capture row as an aircraft array of the web API's layout."""
    hexid = f"{int(r[1]):06x}"
    altitude, speed = float(r[4]), float(r[8])
    on_ground = altitude <= 0 or (altitude <= AIRPORT_ELEVATION_FT + GROUND_HEIGHT_FT
                                  and speed <= MAX_GROUND_SPEED_KT)
    entry = list(template)
    entry[0:6] = [hexid, float(r[2]), float(r[3]), float(r[7]), altitude, speed]
    entry[8:19] = [r[10], r[11], float(r[14]), r[12], r[13], r[9], int(on_ground), float(r[5]),
                   r[9], "X_adsb_icao", altitude]
    # What the capture does not hold is unknown, not the template aircraft's.
    entry[6] = None
    entry[19:] = [None] * (len(entry) - 19)
    return hexid, entry


def make_rtapi_recordings(shared: Path, layout: Layout) -> None:
    """The web API stand-in's recordings (links to the real ones), the capture as a live series
    in the web API's array layout, and the capture's weather as the nearest METAR."""
    recordings = shared / RTAPI_RECORDINGS
    layout.rtapi_recordings.mkdir()
    for recording in recordings.iterdir():
        (layout.rtapi_recordings / recording.name).symlink_to(recording.resolve())
    reply = json.loads((recordings / RTAPI_TEMPLATE_RECORDING).read_text(encoding="utf-8"))
    template = next(iter(reply["data"].values()))
    rows = [r.fields for r in sorted(demo_capture.reports(shared / CAPTURE), key=lambda r: r.time)]
    weather = next(iter(demo_capture.weather(shared, CAPTURE, CAPTURE_WEATHER)), None)
    series, latest, next_row = [], {}, 0
    first, last = int(float(rows[0][14])), int(float(rows[-1][14]))
    for moment in range(first, last + RTAPI_SERIES_STEP_S, RTAPI_SERIES_STEP_S):
        while next_row < len(rows) and float(rows[next_row][14]) <= moment:
            hexid, entry = rtapi_entry(template, rows[next_row])
            latest[hexid] = entry
            next_row += 1
        data = {h: e for h, e in latest.items() if moment - e[10] <= RTAPI_REPORT_AGE_S}
        series.append(dict(reply, data=data, full_count=len(data), dataepoch=moment))
    live, nearest_metar = rtapi_recording_names()
    (layout.rtapi_recordings / live).write_text(json.dumps(series), encoding="utf-8")
    metar = [{"ICAO": weather["ICAO"], "Dist": 0.0, "BrgTo": 0.0, "METAR": weather["METAR"]}] \
        if weather else []
    (layout.rtapi_recordings / nearest_metar).write_text(
        json.dumps({"wrrl": 2000, "status": 200, "message": "OK", "data": metar}),
        encoding="utf-8")


def prepare(args) -> None:
    shared, build, layout = Path(args.shared), Path(args.build), Layout(Path(args.demo))
    if args.road == "api" and not has_capture():
        raise SystemExit(f"run-demo: the web API road replays the capture at its airport, "
                         f"{CAPTURE_AIRPORT}: use --road app at {AIRPORT}")
    # The capture's aircraft give the liveries and the gates' flight options at any airport.
    capture = shared / CAPTURE
    if not capture.is_file():
        raise SystemExit(f"run-demo: {capture} is missing (the public data set of ../shared)")
    if layout.demo.exists():
        shutil.rmtree(layout.demo)
    # The working folder as the build's run folder makes it: docs/ and the reference data.
    (layout.workdir / "docs").mkdir(parents=True)
    shutil.copytree(build / "run" / "input", layout.workdir / "input")
    # No scenery publisher's archive comes with the demo: the airport scan runs on empty lists
    # (and finds no add-on airport in a Community folder of liveries) instead of failing.
    (layout.workdir / "input" / "archives.xml").write_text(
        "<root><simaddons20/><thirdparties20/><simaddons24/><thirdparties24/></root>\n",
        encoding="utf-8")
    layout.localappdata.mkdir(parents=True)
    layout.logs.mkdir()
    layout.captures.mkdir()
    aircraft = capture_aircraft(capture)
    make_packages(shared, layout, aircraft)
    make_settings(layout, args.road, getattr(args, "app_port", None))
    place = make_world(shared, build, layout, getattr(args, "world_objects", WORLD_OBJECTS))
    # Only an airport with stands has a stock airport file; the program asks the area for any
    # park airport's and is told that it has none.
    layout.area.mkdir()
    if AIRPORT_HAS_STANDS:
        make_archived_airport_file(build, layout, aircraft)
    # The update check reads this first: no maintenance, nothing newer to offer.
    (layout.area / "versions.json").write_text('{ "maintenance": false }\n', encoding="utf-8")
    if args.road == "api":
        make_rtapi_recordings(shared, layout)
    world = json.loads(layout.world.read_text(encoding="utf-8"))
    types = {t for t, _ in aircraft.values() if t}
    airport = json.loads(layout.airport_file.read_text(encoding="utf-8"))
    weather = demo_capture.weather(shared, CAPTURE, CAPTURE_WEATHER)
    recorded = (f"{weather[0].get('ICAO', '?')} {weather[0].get('METAR', '')!r}" if weather
                else "none recorded")
    print(f"demo prepared in {layout.demo}: {AIRPORT} at {AIRPORT_ELEVATION_FT} ft with "
          f"{len(airport['taxiParkings'])} stands and {len(airport['runways'])} runways"
          f"{'' if AIRPORT_HAS_STANDS else ' (no stock airport file)'}; the capture "
          f"{Path(CAPTURE).name}: {len(aircraft)} aircraft of {len(types)} types"
          f"{'' if has_capture() else ' (liveries and flight options only: no live traffic here)'}, "
          f"weather {recorded}; "
          f"{len(world['liveries'])} liveries installed; the user stands {place}; "
          f"world {layout.world}")


# --- Reading a run ---

def log_lines(layout: Layout):
    log = layout.workdir / "Log.txt"
    if not log.is_file():
        return []
    return log.read_text(encoding="utf-8", errors="replace").splitlines()


def last_match(lines, pattern):
    found = None
    for line in lines:
        m = re.search(pattern, line)
        if m:
            found = m
    return found


def sent_aircraft(layout: Layout) -> str:
    """Distinct aircraft in the traffic datagrams the App stand-in reports as sent."""
    out = layout.logs / "rtapp_standin.txt"
    if not out.is_file():
        return "not started"
    text = out.read_text(encoding="utf-8", errors="replace")
    sent = re.findall(r"\((\d+) datagrams so far, (\d+) aircraft\)", text)
    if not sent:
        if re.search(r"^connected$", text, re.M):
            return "0"
        if "skyloom_rtapp_standin:" in text:
            return "0 (the stand-in gave up: the program never opened its RealTraffic port)"
        return "0 (the stand-in waits for the program's RealTraffic port)"
    datagrams, aircraft = sent[-1]
    return f"{aircraft} (in {datagrams} datagrams)"


def stage(lines, program_output: str = "") -> str:
    """How far the program got, from its log (and, before it has one, from what it wrote to
    its standard output and error)."""
    for pattern, text in ((r"Closing down after (.*)", "closing down after {}"),
                          (r"Start-up stopped at: (.*)", "start-up stopped at: {}"),
                          (r"RealTraffic App (connected) from", "simulator and RealTraffic App {}"),
                          (r"^(Traffic RTAPIreader) started", "simulator and {} started"),
                          (r"^(MSFS \d+)\b.* connected$", "{} connected"),
                          (r"end of processing scanned liveries", "waiting for the simulator"),
                          (r"liveries scan automatic starts", "scanning liveries")):
        found = last_match(lines, pattern)
        if found:
            return text.format(*found.groups())
    if lines:
        return "starting"
    # A second instance ends before it opens a log; it says why on standard error.
    running = re.search(r"^(\S+ is already running.*)$", program_output, re.M)
    return f"not started: {running.group(1)}" if running else "not started"


def program_output(layout: Layout) -> str:
    """What the program wrote to its standard output and error (the demo keeps it)."""
    out = layout.logs / "skyloom.txt"
    return out.read_text(encoding="utf-8", errors="replace") if out.is_file() else ""


# The program marks ("==> ") an error, a warning or a notable event alike; a marked line counts
# as an error when its words say that something failed or is wrong, and so does any line with a
# stop reason of an error ("SIMCONNECT ERROR", "READER ERROR", "SYSTEM ERROR"). The rest of the
# marked lines are the run's news ("RealTraffic App connected from ...", "Stop requested: USER
# CLOSED SIM (4)", "Data set ... updated").
MARK = "==> "
FAILURE_WORDS = re.compile(
    r"ERROR|EXCEPTION|\b(?:[Ee]rror|[Ff]ail(?:ed|s|ure)?|[Ee]xception|[Cc]ould not|[Cc]annot|"
    r"not (?:available|valid|read|loaded|usable|written|downloaded|found)|[Ii]nvalid|refused|"
    r"rejected|timed out|too (?:small|short|large)|lost|stalled|giving up|corrupt|wrong|"
    r"does not exist|skipped)\b")


def marked_lines(lines):
    """The log's errors and failures, and its other marked lines (the run's news)."""
    errors, news = [], []
    for line in lines:
        if FAILURE_WORDS.search(line) and (line.startswith(MARK) or "ERROR" in line):
            errors.append(line)
        elif line.startswith(MARK):
            news.append(line)
    return errors, news


def status(layout: Layout, road: str):
    lines = log_lines(layout)
    errors, news = marked_lines(lines)
    # The traffic reader's line of what came in, once a minute and at its stop.
    received = last_match(lines, r": (\d+) traffic records of (\d+) aircraft received so far")
    return {
        "lines": lines, "errors": errors, "news": news, "stage": stage(lines, program_output(layout)),
        "orderly": any(l.startswith("Closing down after") for l in lines),
        "received_by_program": (f"{received.group(2)} (in {received.group(1)} traffic records)"
                                if received else None),
        "sent": sent_aircraft(layout) if road == "app" else None,
    }


# An object counts as moving once its written positions cover this much ground.
MOVING_MIN_NM = 0.05
# The program's playback delay of live traffic (feed/time_offsets.h).
PLAYBACK_DELAY_S = 30


def ai_objects(layout: Layout):
    """The simulator stand-in's AI report: one dict per object it created."""
    if not layout.ai_report.is_file():
        return []
    objects = []
    for line in layout.ai_report.read_text(encoding="utf-8", errors="replace").splitlines():
        f = line.split(";")
        if len(f) >= 9:
            objects.append({"id": f[0], "livery": f[1], "created_s": float(f[2]),
                            "removed": float(f[3]) >= 0,
                            "writes": int(f[4]), "path_nm": float(f[5]),
                            "altitude_ft": float(f[8]),
                            "atc_id": f[9].strip().upper() if len(f) > 9 else ""})
    return objects


# The phase of an AI object as the simulator sees it, as tools/demo_picture classifies it: on
# the ground by ground speed, airborne by vertical speed.
STANDING_MAX_KT = 1.0
ROLL_MIN_KT = 40.0
LEVEL_MAX_FPM = 300.0
PHASES = ("standing", "taxi", "roll", "climbing", "descending", "level")
# The sphere the program's geodesy works on: one nautical mile per minute of arc.
EARTH_RADIUS_NM = 10800 / math.pi


def trace_phase(previous, point) -> str:
    """The phase at trace point `point` (seconds, latitude, longitude, altitude ft, on ground)
    from the motion since `previous` (None, or no time before it: not moving)."""
    seconds, latitude, longitude, altitude, on_ground = point
    knots = feet_per_minute = 0.0
    if previous is not None and seconds > previous[0]:
        elapsed = seconds - previous[0]
        lat1, lat2 = math.radians(previous[1]), math.radians(latitude)
        h = (math.sin((lat2 - lat1) / 2) ** 2 + math.cos(lat1) * math.cos(lat2)
             * math.sin(math.radians(longitude - previous[2]) / 2) ** 2)
        nm = 2 * EARTH_RADIUS_NM * math.asin(math.sqrt(min(max(h, 0.0), 1.0)))
        knots = nm / elapsed * 3600
        feet_per_minute = (altitude - previous[3]) / elapsed * 60
    if on_ground:
        return "standing" if knots < STANDING_MAX_KT else "taxi" if knots < ROLL_MIN_KT else "roll"
    if feet_per_minute > LEVEL_MAX_FPM:
        return "climbing"
    return "descending" if feet_per_minute < -LEVEL_MAX_FPM else "level"


def phases_now(layout: Layout):
    """Per phase, the AI objects in the simulator now: those not removed before the trace's
    last position (the shutdown removes all after it), each by its last position. The trace
    grows while the demo runs: a line not yet whole is passed over."""
    last, removed, now = {}, {}, 0.0
    if layout.trace.is_file():
        with layout.trace.open(encoding="utf-8", errors="replace") as f:
            for line in f:
                fields = line.rstrip("\n").split(";")
                if len(fields) != 8 or fields[7] not in ("0", "1"):
                    continue
                try:
                    point = (float(fields[0]), float(fields[3]), float(fields[4]), float(fields[5]),
                             fields[7] == "1")
                except ValueError:
                    continue
                if fields[2] == "removed":
                    removed[fields[1]] = point[0]
                else:
                    previous = last.get(fields[1])
                    last[fields[1]] = (previous[1] if previous else None, point)
                    now = max(now, point[0])
    counts = dict.fromkeys(PHASES, 0)
    for key, (previous, point) in last.items():
        if removed.get(key, now) >= now:
            counts[trace_phase(previous, point)] += 1
    return counts


def phases_text(counts) -> str:
    return ", ".join(f"{phase} {counts[phase]}" for phase in PHASES)


def draw_picture(build: Path, layout: Layout) -> str:
    """The picture of the run (tools/demo_picture) from the stand-in's trace: its path, or
    why there is none."""
    if not layout.trace.is_file():
        return "none (the simulator stand-in wrote no trace)"
    tool = build / "tools" / "demo_picture" / "skyloom_demo_picture"
    command = [str(tool), str(layout.airport_file), str(layout.trace), str(layout.picture)]
    if layout.ai_report.is_file():
        command += ["--ai-report", str(layout.ai_report)]
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0:
        return f"none ({(done.stderr or done.stdout).strip()})"
    return str(layout.picture)


def object_counts(layout: Layout, lines):
    """What the program did in the simulator, from the stand-in's report and the program's log."""
    objects = ai_objects(layout)
    moving = [o for o in objects if o["path_nm"] >= MOVING_MIN_NM]
    present = [o for o in objects if not o["removed"]]
    # Static aircraft carry a callsign ending in "*".
    live = [o for o in objects if o["atc_id"] and not o["atc_id"].endswith("*")]
    return {
        "created": len(objects),
        "live": len(live),
        "live moving": sum(1 for o in live if o["path_nm"] >= MOVING_MIN_NM),
        "present": len(present),
        "moving": len(moving),
        "path_nm": sum(o["path_nm"] for o in objects),
        "removed": sum(1 for o in objects if o["removed"]),
        "landed": sum(1 for l in lines if " touch down" in l),
        # Live arrivals that drove onto a stand, apart from the live aircraft first seen at
        # rest on one ("parks") and the static aircraft.
        "parked": sum(1 for l in lines if re.search(r": \S+ +arrived at stand$", l)),
        "created on stands": sum(1 for l in lines if re.search(r": \S+ +parks$", l)),
        "create failures": sum(1 for l in lines if "CREATE_OBJECT_FAILED" in l),
    }


def progress(args) -> None:
    layout = Layout(Path(args.demo))
    s = status(layout, args.road)
    c = object_counts(layout, s["lines"])
    sent = f", App stand-in sent {s['sent']} aircraft" if s["sent"] else ""
    feed_started = any(re.search(r"RealTraffic App connected from|Traffic RTAPIreader started", l)
                       for l in s["lines"])
    # The program plays each report back some time after it was seen: say so while no live
    # aircraft moves yet (those standing at their stands may be there already).
    waiting = (f" | waiting for the first moving live aircraft: each report plays "
               f"{PLAYBACK_DELAY_S} s after it was seen" if feed_started and c["live moving"] == 0
               else "")
    print(f"{args.elapsed} | {s['stage']} | aircraft in the simulator: {c['present']} "
          f"({c['moving']} of {c['created']} created have moved; "
          f"{phases_text(phases_now(layout))}){sent}{waiting} | "
          f"log lines {len(s['lines'])}, errors {len(s['errors'])}, news {len(s['news'])}", flush=True)


# The summary shows this many of the last errors, and of the last news.
SHOWN_LINES = 5


def summary(args) -> None:
    layout = Layout(Path(args.demo))
    s = status(layout, args.road)
    c = object_counts(layout, s["lines"])
    object_ids = layout.workdir / "output" / "info" / "ObjectIdList.txt"
    captures = sorted(layout.captures.glob("window-*.png"))
    picture = draw_picture(Path(args.build), layout)
    print("\n=== Skyloom demo summary ===")
    print(f"capture:             {Path(CAPTURE).name}"
          f"{'' if has_capture() else f' (its aircraft only: no live traffic at {AIRPORT})'}")
    print(f"airport:             {AIRPORT} at {AIRPORT_ELEVATION_FT} ft"
          f"{'' if AIRPORT_HAS_STANDS else ', no stands and no stock airport file'}")
    print(f"road:                {'RealTraffic web API stand-in' if args.road == 'api' else 'RealTraffic App stand-in'}")
    print(f"program:             {s['stage']}; {args.ending}")
    print(f"shutdown:            {'orderly (Closing down logged)' if s['orderly'] else 'not orderly: no Closing down in the log'}")
    if s["sent"] is not None:
        print(f"aircraft sent:       {s['sent']}")
    print(f"aircraft received:   {s['received_by_program'] or 'none logged (the traffic reader logs what came in once a minute and when it stops)'}")
    print(f"created:             {c['created']} AI objects (simulator stand-in's report): "
          f"{c['live']} live, {c['created'] - c['live']} static")
    print(f"moving:              {c['moving']} moved at least {MOVING_MIN_NM} NM "
          f"({c['live moving']} of them live), {c['path_nm']:.1f} NM flown and driven in all")
    phases = phases_now(layout)
    airborne = sum(phases[p] for p in ("climbing", "descending", "level"))
    print(f"in the simulator:    {sum(phases.values())} at the end of the run, {airborne} of them "
          f"airborne; {c['present']} left after the shutdown")
    print(f"phases at the end:   {phases_text(phases)}")
    print(f"removed:             {c['removed']} (the shutdown's removals included)")
    print(f"landed:              {c['landed']} (touch-down lines in the log)")
    print(f"parked:              {c['parked']} live arrivals drove onto a stand "
          f"({c['created on stands']} live aircraft were created on theirs)")
    print(f"create failures:     {c['create failures']}")
    airport_file = last_match(s["lines"], r"Airport file read from '([^']*)'")
    print(f"park airport file:   {airport_file.group(1) if airport_file else 'not read'}")
    print(f"errors logged:       {len(s['errors'])} (errors and failures; the last "
          f"{min(len(s['errors']), SHOWN_LINES)} below)")
    for line in s["errors"][-SHOWN_LINES:]:
        print(f"    {line}")
    print(f"news logged:         {len(s['news'])} (the other lines marked ==>; the last "
          f"{min(len(s['news']), SHOWN_LINES)} below)")
    for line in s["news"][-SHOWN_LINES:]:
        print(f"    {line}")
    print(f"log:                 {layout.workdir / 'Log.txt'}")
    print(f"AI report:           {layout.ai_report if layout.ai_report.is_file() else 'not written (no flight ran)'}")
    print(f"ObjectIdList.txt:    {object_ids if object_ids.is_file() else 'not written'}")
    print(f"window captures:     {', '.join(map(str, captures)) if captures else 'none (no window on screen)'}")
    print(f"picture:             {picture}")
    print(f"livery scan reports: {layout.workdir / 'output' / 'errors'}")
    print(f"stand-in output:     {layout.logs}")


def show_airport(_args) -> None:
    print(AIRPORT)


def show_replay(args) -> None:
    """The arguments of the stand-in that plays the capture on the road, one a line: the App
    stand-in's capture, airport elevation and weather recording, or the web API stand-in's
    recordings; nothing when the capture is not of the demo's airport."""
    if not has_capture():
        return
    shared = Path(args.shared).resolve()
    if args.road == "api":
        live, metar = rtapi_recording_names()
        print("--live", live, "--metar", metar, sep="\n")
        return
    print("--capture", shared / CAPTURE, "--elevation", AIRPORT_ELEVATION_FT, sep="\n")
    if CAPTURE_WEATHER:
        print("--weather", shared / CAPTURE_WEATHER, sep="\n")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("command",
                        choices=["prepare", "progress", "summary", "ports", "airport", "replay"])
    parser.add_argument("--shared", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--demo", required=True)
    parser.add_argument("--road", choices=["app", "api"], default="app")
    parser.add_argument("--capture", help="an App capture of ../shared/feed/recordings by its "
                        f"airport's ICAO code ({DEFAULT_CAPTURE} by default) or file name")
    parser.add_argument("--airport", help="the capture's airport (by default), or an airport with "
                        "stands in ../shared/data/stands")
    parser.add_argument("--app-port", type=int, help="the program's TCP port for the App")
    parser.add_argument("--world-objects", type=int, default=WORLD_OBJECTS,
                        help=f"the most AI objects the simulator stand-in holds ({WORLD_OBJECTS})")
    parser.add_argument("--elapsed", default="")
    parser.add_argument("--ending", default="")
    args = parser.parse_args()
    set_scene(Path(args.shared), args.airport, args.capture)
    {"prepare": prepare, "progress": progress, "summary": summary, "ports": ports,
     "airport": show_airport, "replay": show_replay}[args.command](args)


if __name__ == "__main__":
    sys.exit(main())
