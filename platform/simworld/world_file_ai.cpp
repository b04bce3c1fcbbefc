#include "platform/simworld/world_file_ai.h"

#include <cctype>
#include <set>
#include <string>

namespace skyloom::simworld {

std::vector<LiverySetup> gf_readLiveries(const WorldFileNode& node) {
    std::vector<LiverySetup> liveries;
    std::set<std::string> titles;
    for (const WorldFileNode& item : node.items()) {
        item.expectKeys({"title", "atcModel", "staticCgToGroundFeet", "staticPitchDegrees"});
        LiverySetup livery;
        livery.title = item.at("title").text();
        if (livery.title.empty()) {
            item.child("title").fail("a livery needs a title");
        }
        std::string key;
        for (const char c : livery.title) {
            key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
        if (!titles.insert(key).second) {
            item.child("title").fail(fmt::format("\"{}\" is given twice", livery.title));
        }
        if (item.has("atcModel")) {
            livery.atcModel = item.child("atcModel").text();
        }
        if (item.has("staticCgToGroundFeet")) {
            livery.staticCgToGroundFeet = item.child("staticCgToGroundFeet").number(0, 100);
        }
        if (item.has("staticPitchDegrees")) {
            livery.staticPitchDeg = item.child("staticPitchDegrees").number(-90, 90);
        }
        liveries.push_back(std::move(livery));
    }
    return liveries;
}

AiObjectsSetup gf_readAiObjects(const WorldFileNode& node) {
    node.expectKeys({"assignDelaySeconds", "removeDelaySeconds", "maxObjects", "tooManyObjectsLast",
                     "firstObjectId", "driftKnots", "driftFeetPerMinute", "driftDegreesPerSecond",
                     "tracePointsPerObject", "reportFile", "reportEverySeconds", "traceFile",
                     "traceEverySeconds"});
    AiObjectsSetup s;
    if (node.has("assignDelaySeconds")) {
        s.assignDelaySeconds = node.child("assignDelaySeconds").number(0, 3600);
    }
    if (node.has("removeDelaySeconds")) {
        s.removeDelaySeconds = node.child("removeDelaySeconds").number(0, 3600);
    }
    if (node.has("maxObjects")) {
        s.maxObjects = static_cast<std::size_t>(node.child("maxObjects").integer(0, 100000));
    }
    if (node.has("tooManyObjectsLast")) {
        s.tooManyObjectsLast = node.child("tooManyObjectsLast").boolean();
    }
    if (node.has("firstObjectId")) {
        s.firstObjectId = static_cast<std::uint32_t>(
            node.child("firstObjectId").integer(1, std::numeric_limits<std::uint32_t>::max()));
    }
    if (node.has("driftKnots")) {
        s.driftKnots = node.child("driftKnots").number(-1000, 1000);
    }
    if (node.has("driftFeetPerMinute")) {
        s.driftFeetPerMinute = node.child("driftFeetPerMinute").number(-10000, 10000);
    }
    if (node.has("driftDegreesPerSecond")) {
        s.driftDegreesPerSecond = node.child("driftDegreesPerSecond").number(-360, 360);
    }
    if (node.has("tracePointsPerObject")) {
        s.tracePointsPerObject =
            static_cast<std::size_t>(node.child("tracePointsPerObject").integer(0, 10000000));
    }
    if (node.has("reportFile")) {
        s.reportFile = node.child("reportFile").text();
    }
    if (node.has("reportEverySeconds")) {
        s.reportEverySeconds = node.child("reportEverySeconds").number(0.1, 3600);
    }
    if (node.has("traceFile")) {
        s.traceFile = node.child("traceFile").text();
        if (s.traceFile.empty()) {
            node.child("traceFile").fail("names no file");
        }
    }
    if (node.has("traceEverySeconds")) {
        s.traceEverySeconds = node.child("traceEverySeconds").number(0, 3600);
    }
    return s;
}

} // namespace skyloom::simworld
