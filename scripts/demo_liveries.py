"""The demo's simulated simulator installation: `make_packages` lays out the real AI packages'
aircraft.cfg files and variants with a livery per airline for each type of the capture's
aircraft (`capture_aircraft`); `installed_liveries` is the catalogue of titles they install."""
import re
import shutil
from pathlib import Path

import demo_capture
from demo_layout import Layout

# The package folders the automatic livery scan looks for (MSFS 2020 names).
FSLTL_PACKAGE = "fsltl-traffic-base"
AIG_PACKAGE = "aig-aitraffic-oci-beta"
# The real aircraft.cfg whose text every generated variant is made from.
VARIANT_TEMPLATE = ("jopeek-fsltl-canada-air-virtual-pack/SimObjects/Airplanes/FSLTL_B738_CAN/"
                    "aircraft.cfg")
CALLSIGN_AIRLINE = re.compile(r"^([A-Z]{3})\d")
TITLE_LINE = re.compile(r"^[ \t]*title[ \t]*=[ \t]*(.*?)[ \t]*$", re.IGNORECASE | re.MULTILINE)
TYPE_LINE = re.compile(r'^\s*icao_type_designator\s*=\s*"?([A-Za-z0-9]+)', re.IGNORECASE | re.MULTILINE)


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
