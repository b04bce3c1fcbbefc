"""The program's settings for the demo: `make_settings` writes parameters.xml (simulator, road,
the App's TCP port) and the web API credentials into the demo's application data."""
import json

from demo_layout import Layout

# The licence the web API stand-in knows when given no other.
RTAPI_LICENCE = "AAA-BBB-CCC-DDD"


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
