"""What the RealTraffic web API stand-in plays on the demo's api road: `make_rtapi_recordings`
links its real recordings and makes the capture into a live series in the web API's layout and
its weather into the nearest METAR, under the names `rtapi_recording_names` gives."""
import json
from pathlib import Path

import demo_capture
import demo_scene as scene
from demo_layout import Layout

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


def rtapi_recording_names():
    """The web API stand-in's live series and nearest METAR made of the capture (--live, --metar;
    RTAPI_KLAX_RECORDING and RTAPI_KLAX_METAR for the KLAX capture)."""
    return f"{scene.CAPTURE_NAME}_live.json", f"{scene.CAPTURE_NAME}_metar.json"


def rtapi_entry(template, r):
    """A capture row as an aircraft array of the web API's layout."""
    hexid = f"{int(r[1]):06x}"
    altitude, speed = float(r[4]), float(r[8])
    on_ground = altitude <= 0 or (altitude <= scene.AIRPORT_ELEVATION_FT + GROUND_HEIGHT_FT
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
    rows = [r.fields for r in sorted(demo_capture.reports(shared / scene.CAPTURE),
                                     key=lambda r: r.time)]
    weather = next(iter(demo_capture.weather(shared, scene.CAPTURE, scene.CAPTURE_WEATHER)), None)
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
