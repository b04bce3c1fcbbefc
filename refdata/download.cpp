#include "refdata/download.h"

#include <fstream>
#include <mutex>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "runtime/stop_request.h"

namespace fs = std::filesystem;

namespace skyloom {

namespace {

// Replies that say the file is not there.
constexpr long kHttpNotFound = 404;
constexpr long kHttpGone = 410;

// Where the received bytes go: a file or a text.
struct Sink {
    std::ofstream* file = nullptr;
    std::string* text = nullptr;
    std::size_t maxBytes = 0;
    std::size_t received = 0;
    bool writeFailed = false;
    bool tooLarge = false;
};

std::size_t lf_receive(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t bytes = size * count;
    if (sink == nullptr) {
        return 0;
    }
    if (sink->file != nullptr) {
        sink->file->write(data, static_cast<std::streamsize>(bytes));
        if (!*sink->file) {
            sink->writeFailed = true;
            return 0;
        }
    } else if (sink->text != nullptr) {
        if (sink->received + bytes > sink->maxBytes) {
            sink->tooLarge = true;
            return 0;
        }
        sink->text->append(data, bytes);
    }
    sink->received += bytes;
    return bytes;
}

int lf_progress(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    // Non-zero aborts the transfer.
    return static_cast<const StopControl*>(stop)->keepRunning() ? 0 : 1;
}

// Runs one transfer into `sink`: why it failed, nothing on success.
DownloadOutcome lf_transfer(CURL* curl, const StopControl& stop, const std::string& url,
                            Sink& sink) {
    if (curl == nullptr) {
        return {"no libcurl handle"};
    }
    if (!stop.keepRunning()) {
        return {"the program is stopping"};
    }
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &lf_receive);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &lf_progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<StopControl*>(&stop));
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "deflate,gzip");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    const CURLcode code = curl_easy_perform(curl);
    // The sink and the error buffer end with this call; the handle must not point at them.
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);

    if (code == CURLE_OK) {
        return {};
    }
    if (code == CURLE_ABORTED_BY_CALLBACK) {
        return {"stopped, the program is stopping"};
    }
    if (sink.writeFailed) {
        return {"the file could not be written"};
    }
    if (sink.tooLarge) {
        return {fmt::format("the reply is larger than {} bytes", sink.maxBytes)};
    }
    if (code == CURLE_HTTP_RETURNED_ERROR) {
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        return {fmt::format("HTTP status {}", status),
                status == kHttpNotFound || status == kHttpGone};
    }
    const std::string detail = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
    return {fmt::format("{} ({})", detail, static_cast<int>(code))};
}

} // namespace

void gf_logDownloadFailure(const std::string& url, std::string_view reason) {
    LogFile::writeImportant(fmt::format("Download of {} failed: {}", url, reason));
}

CurlEasyHandle gf_newCurlHandle(const DownloadLimits& limits) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CurlEasyHandle handle(curl_easy_init());
    if (!handle) {
        throw std::runtime_error("libcurl: curl_easy_init failed");
    }
    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(limits.connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.lowSpeedTime.count()));
    // Time-outs by signal would disturb other threads.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    return handle;
}

bool gf_downloadToFile(CURL* curl, const StopControl& stop, const std::string& url,
                       const fs::path& target, bool binary) {
    const DownloadOutcome outcome = gf_fetchToFile(curl, stop, url, target, binary);
    if (!outcome.ok()) {
        gf_logDownloadFailure(url, outcome.failure);
    }
    return outcome.ok();
}

DownloadOutcome gf_fetchToFile(CURL* curl, const StopControl& stop, const std::string& url,
                               const fs::path& target, bool binary) {
    fs::path temporary = target;
    temporary += std::string(kDownloadTmpSuffix);
    TempFileGuard guard(temporary);

    DownloadOutcome outcome;
    std::size_t bytes = 0;
    {
        std::ofstream file(temporary, binary ? std::ios::out | std::ios::trunc | std::ios::binary
                                             : std::ios::out | std::ios::trunc);
        if (!file) {
            return {fmt::format("cannot create {}", gf_pathToUtf8(temporary))};
        }
        Sink sink;
        sink.file = &file;
        outcome = lf_transfer(curl, stop, url, sink);
        bytes = sink.received;
        file.close();
        if (outcome.ok() && !file) {
            outcome.failure = fmt::format("cannot write {}", gf_pathToUtf8(temporary));
        }
    }
    if (!outcome.ok()) {
        return outcome;
    }
    if (!gf_moveFile(temporary, target)) {
        return {
            fmt::format("cannot move {} to {}", gf_pathToUtf8(temporary), gf_pathToUtf8(target))};
    }
    // A move that fell back to copying may leave the temporary file; the guard removes it.
    LogFile::write(
        fmt::format("Downloaded {} to {} ({} bytes)", url, gf_pathToUtf8(target), bytes));
    return {};
}

std::optional<std::string> gf_downloadToText(CURL* curl, const StopControl& stop,
                                             const std::string& url, std::size_t maxBytes) {
    std::string text;
    Sink sink;
    sink.text = &text;
    sink.maxBytes = maxBytes;
    const DownloadOutcome outcome = lf_transfer(curl, stop, url, sink);
    if (!outcome.ok()) {
        gf_logDownloadFailure(url, outcome.failure);
        return std::nullopt;
    }
    return text;
}

} // namespace skyloom
