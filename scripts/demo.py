#!/usr/bin/env python3
"""The demo's data work for scripts/run-demo: `prepare` makes the demo folder (working folder,
simulated simulator installation with livery packages, simulator stand-in world, settings and
credentials), `progress` prints one line about a running demo, `summary` the closing report,
`ports` three ports free this moment for the App's road (TCP, traffic UDP, weather UDP),
`airport` the demo's airport, `replay` the arguments of the stand-in that plays the capture.

Everything is generated into the demo folder from the public data in ../shared at run time;
nothing of it is copied into the source tree.
"""

# Besides its command line it offers, to whatever imports it (the end-to-end runs, the capture
# test), the demo's pieces by these names, and the scene as set_scene left it (demo.CAPTURE,
# demo.AIRPORT, ...) through __getattr__.
import argparse
import json
import shutil
import sys
from pathlib import Path

import demo_capture
import demo_scene as scene
from demo_layout import Layout, free_ports
from demo_liveries import capture_aircraft, installed_liveries, make_packages
from demo_report import (ai_objects, last_match, log_lines, marked_lines, object_counts, progress,
                         summary)
from demo_rtapi import (RTAPI_KLAX_METAR, RTAPI_KLAX_RECORDING, make_rtapi_recordings,
                        rtapi_recording_names)
from demo_scene import has_capture, set_scene
from demo_settings import make_settings
from demo_world import WORLD_OBJECTS, make_archived_airport_file, make_world

__all__ = ["Layout", "RTAPI_KLAX_METAR", "RTAPI_KLAX_RECORDING", "ai_objects", "free_ports",
           "has_capture", "installed_liveries", "last_match", "log_lines", "main", "make_world",
           "marked_lines", "object_counts", "prepare", "set_scene"]


def __getattr__(name: str):
    """The scene's values as they are now: set_scene changes them after this module is loaded,
    so they are read from their module at each access."""
    if name.isupper() and hasattr(scene, name):
        return getattr(scene, name)
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


def ports(_args) -> None:
    print(*free_ports())


def prepare(args) -> None:
    shared, build, layout = Path(args.shared), Path(args.build), Layout(Path(args.demo))
    if args.road == "api" and not has_capture():
        raise SystemExit(f"run-demo: the web API road replays the capture at its airport, "
                         f"{scene.CAPTURE_AIRPORT}: use --road app at {scene.AIRPORT}")
    # The capture's aircraft give the liveries and the gates' flight options at any airport.
    capture = shared / scene.CAPTURE
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
    if scene.AIRPORT_HAS_STANDS:
        make_archived_airport_file(build, layout, aircraft)
    # The update check reads this first: no maintenance, nothing newer to offer.
    (layout.area / "versions.json").write_text('{ "maintenance": false }\n', encoding="utf-8")
    if args.road == "api":
        make_rtapi_recordings(shared, layout)
    world = json.loads(layout.world.read_text(encoding="utf-8"))
    types = {t for t, _ in aircraft.values() if t}
    airport = json.loads(layout.airport_file.read_text(encoding="utf-8"))
    weather = demo_capture.weather(shared, scene.CAPTURE, scene.CAPTURE_WEATHER)
    recorded = (f"{weather[0].get('ICAO', '?')} {weather[0].get('METAR', '')!r}" if weather
                else "none recorded")
    print(f"demo prepared in {layout.demo}: {scene.AIRPORT} at {scene.AIRPORT_ELEVATION_FT} ft "
          f"with {len(airport['taxiParkings'])} stands and {len(airport['runways'])} runways"
          f"{'' if scene.AIRPORT_HAS_STANDS else ' (no stock airport file)'}; the capture "
          f"{Path(scene.CAPTURE).name}: {len(aircraft)} aircraft of {len(types)} types"
          f"{'' if has_capture() else ' (liveries and flight options only: no live traffic here)'}, "
          f"weather {recorded}; "
          f"{len(world['liveries'])} liveries installed; the user stands {place}; "
          f"world {layout.world}")


def show_airport(_args) -> None:
    print(scene.AIRPORT)


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
    print("--capture", shared / scene.CAPTURE, "--elevation", scene.AIRPORT_ELEVATION_FT, sep="\n")
    if scene.CAPTURE_WEATHER:
        print("--weather", shared / scene.CAPTURE_WEATHER, sep="\n")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("command",
                        choices=["prepare", "progress", "summary", "ports", "airport", "replay"])
    parser.add_argument("--shared", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--demo", required=True)
    parser.add_argument("--road", choices=["app", "api"], default="app")
    parser.add_argument("--capture", help="an App capture of ../shared/feed/recordings by its "
                        f"airport's ICAO code ({scene.DEFAULT_CAPTURE} by default) or file name")
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
