#include "feed/rt_app_weather_reader.h"

#include <exception>
#include <stdexcept>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "feed/feed_fields.h"
#include "feed/qnh.h"
#include "foundation/log_file.h"
#include "platform/os/thread_name.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"

namespace skyloom {

AppQnhTracker::AppQnhTracker(QnhSink sink)
    : sink_(std::move(sink)), rejections_(std::string(kAppWeatherReaderName)) {}

RtAppWeatherReader::RtAppWeatherReader(AppReaderSettings settings, QnhSink sink)
    : settings_(std::move(settings)), socket_(settings_.address, settings_.port),
      tracker_(std::move(sink)) {
    running_.store(true);
    thread_ = std::jthread([this](std::stop_token token) { run(std::move(token)); });
}

RtAppWeatherReader::~RtAppWeatherReader() {
    stop();
}

void RtAppWeatherReader::stop() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

bool RtAppWeatherReader::keepRunning(const std::stop_token& token) const {
    if (token.stop_requested()) {
        return false;
    }
    return settings_.run.stop.keepRunning();
}

void AppQnhTracker::handleDatagram(std::string_view bytes, std::size_t datagramSize) {
    try {
        if (datagramSize > bytes.size()) {
            throw FeedRecordError(fmt::format("datagram of {} bytes is too long", datagramSize));
        }
        const AppWeatherReport report = gf_parseAppWeather(bytes);
        if (!report.qnhHpa) {
            throw FeedRecordError(fmt::format("weather of '{}' gives no QNH", report.icao));
        }
        ++reports_;
        if (report.placeholder && realQnhSeen_) {
            return;
        }
        realQnhSeen_ = realQnhSeen_ || !report.placeholder;
        if (sink_) {
            sink_(gf_wholeHpa(*report.qnhHpa));
        }
    } catch (const FeedRecordError& e) {
        rejections_.report(e.what());
    }
}

void RtAppWeatherReader::run(std::stop_token token) {
    os::setCurrentThreadName(kAppWeatherReaderName);
    settings_.run.window.enqueueUpdate(GuiUpdate::WeatherReaderState{ReaderState::waitingForData});
    LogFile::write(fmt::format("{} listening on UDP port {}", kAppWeatherReaderName, port()));
    try {
        std::vector<char> buffer(kReceiveBytes);
        bool receiving = false;
        while (keepRunning(token)) {
            const os::ReceiveResult result = socket_.receive(buffer, kReceiveTimeout);
            if (result.status == os::ReceiveStatus::failed) {
                throw std::runtime_error(fmt::format("receiving on UDP port {} failed", port()));
            }
            if (result.status != os::ReceiveStatus::data) {
                continue;
            }
            tracker_.handleDatagram(std::string_view(buffer.data(), result.size),
                                    result.truncated ? result.datagramSize : 0);
            reports_.store(tracker_.reports());
            rejected_.store(tracker_.rejected());
            if (!receiving) {
                settings_.run.window.enqueueUpdate(
                    GuiUpdate::WeatherReaderState{ReaderState::receiving});
            }
            receiving = true;
        }
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("{} exception: {}", kAppWeatherReaderName, e.what()));
        if (settings_.failed) {
            settings_.failed(kAppWeatherReaderName, e.what());
        }
    }
    settings_.run.window.enqueueUpdate(GuiUpdate::WeatherReaderState{ReaderState::notRunning});
    running_.store(false);
}

} // namespace skyloom
