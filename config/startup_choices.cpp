#include "config/startup_choices.h"

#include <atomic>
#include <string>
#include <system_error>

#include <pugixml.hpp>

#include "config/parameters.h"
#include "config/parameters_store.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/version.h"
#include "platform/os/known_folders.h"

namespace skyloom {
namespace {

std::atomic<std::shared_ptr<const StartupChoices>>& lf_current() {
    static std::atomic<std::shared_ptr<const StartupChoices>> current{
        std::make_shared<const StartupChoices>()};
    return current;
}

std::atomic<bool> g_fixed{false};

// parameters.xml for the log's first line. The log asks while it holds its own mutex, so
// nothing on this path may write to the log (gf_appDataPath would, when AppData is unknown).
std::filesystem::path lf_parametersPathQuietly() {
    const std::filesystem::path roaming = os::roamingAppData();
    if (roaming.empty()) {
        return {};
    }
    return roaming / kProgramName / kParametersFileName;
}

} // namespace

std::string_view gf_simChoiceText(SimChoice choice) noexcept {
    return choice == SimChoice::msfs2020 ? kSimChoiceMsfs2020Text : kSimChoiceMsfs2024Text;
}

std::string_view gf_trafficSourceText(TrafficSource source) noexcept {
    return source == TrafficSource::rtApp ? kTrafficSourceRtAppText : kTrafficSourceRtDirectText;
}

std::optional<SimChoice> gf_simChoiceFromText(std::string_view text) noexcept {
    if (text == kSimChoiceMsfs2020Text) {
        return SimChoice::msfs2020;
    }
    if (text == kSimChoiceMsfs2024Text) {
        return SimChoice::msfs2024;
    }
    return std::nullopt;
}

std::optional<TrafficSource> gf_trafficSourceFromText(std::string_view text) noexcept {
    if (text == kTrafficSourceRtAppText) {
        return TrafficSource::rtApp;
    }
    if (text == kTrafficSourceRtDirectText) {
        return TrafficSource::rtDirect;
    }
    return std::nullopt;
}

void gf_setStartupChoices(StartupChoices choices) {
    lf_current().store(std::make_shared<const StartupChoices>(choices));
    g_fixed.store(true);
    gf_setHexidHexadecimal(choices.simulator == SimChoice::msfs2020);
    LogFile::setTargetNameProvider(&gf_simulatorNameForLog);
}

std::shared_ptr<const StartupChoices> gf_startupChoices() {
    return lf_current().load();
}

bool gf_startupChoicesFixed() noexcept {
    return g_fixed.load();
}

bool gf_isMsfs2020() {
    return gf_startupChoices()->simulator == SimChoice::msfs2020;
}

bool gf_isRtDirect() {
    return gf_startupChoices()->source == TrafficSource::rtDirect;
}

std::optional<SimChoice> gf_simChoiceInParametersFile(const std::filesystem::path& file) {
    std::error_code error;
    if (file.empty() || !std::filesystem::is_regular_file(file, error)) {
        return std::nullopt;
    }
    pugi::xml_document document;
    if (!document.load_file(file.c_str())) {
        return std::nullopt;
    }
    const std::optional<std::string> text =
        gf_findXmlParameterValue(document, gf_params().SIM_CHOICE.name());
    return text ? gf_simChoiceFromText(*text) : std::nullopt;
}

std::string gf_simulatorNameForLog() {
    if (gf_startupChoicesFixed()) {
        return std::string(gf_simChoiceText(gf_startupChoices()->simulator));
    }
    const std::optional<SimChoice> saved = gf_simChoiceInParametersFile(lf_parametersPathQuietly());
    return std::string(gf_simChoiceText(saved.value_or(StartupChoices{}.simulator)));
}

} // namespace skyloom
