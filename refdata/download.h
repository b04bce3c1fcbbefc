// Downloads with libcurl's easy interface: a handle with connect and total time-outs and a
// low-speed abort, and the download of a URL into a file that never leaves a partial file
// behind: the data goes to "<target>.download_tmp", which replaces the target only once the
// transfer is complete. Every failure is logged. A download in progress ends when the stop
// request it is given ends the run.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <curl/curl.h>

namespace skyloom {

class StopControl;

inline constexpr std::string_view kDownloadTmpSuffix = ".download_tmp";

struct CurlEasyDeleter {
    void operator()(CURL* curl) const noexcept { curl_easy_cleanup(curl); }
};
using CurlEasyHandle = std::unique_ptr<CURL, CurlEasyDeleter>;

struct DownloadLimits {
    std::chrono::milliseconds connectTimeout{10000};
    // The whole transfer; 0 means no limit (the low-speed abort still applies).
    std::chrono::milliseconds totalTimeout{0};
    // A transfer slower than this many bytes per second for `lowSpeedTime` is aborted.
    long lowSpeedBytesPerSecond = 1;
    std::chrono::seconds lowSpeedTime{30};
};

// What became of a download: an empty `failure` on success, else why it failed, and whether the
// server said that the file is not there (HTTP 404 or 410), which asking again cannot change;
// every other failure (no connection, a time-out, a 5xx reply, a reply cut short, a file that
// could not be written) may pass.
struct DownloadOutcome {
    std::string failure;
    bool notThere = false;

    bool ok() const noexcept { return failure.empty(); }
};

// A new easy handle with the limits (libcurl is initialised once per process). Throws
// std::runtime_error when libcurl cannot make one.
CurlEasyHandle gf_newCurlHandle(const DownloadLimits& limits = {});

// Downloads `url` into target + ".download_tmp" (opened in binary mode when `binary` is set, in
// text mode otherwise) and moves it over `target`. True on success. False, each case logged,
// when the transfer fails (connection, time-out, HTTP error status, reply cut short), the file
// cannot be written or moved, or the program is stopping; the temporary file is then removed
// and a file already at `target` stays as it was.
bool gf_downloadToFile(CURL* curl, const StopControl& stop, const std::string& url,
                       const std::filesystem::path& target, bool binary);
// The same download, its failure not logged: the caller says what a failure means to it.
DownloadOutcome gf_fetchToFile(CURL* curl, const StopControl& stop, const std::string& url,
                               const std::filesystem::path& target, bool binary);
// "Download of {url} failed: {reason}", an important line.
void gf_logDownloadFailure(const std::string& url, std::string_view reason);

// Downloads `url` into memory, at most `maxBytes`. No value, logged, on any failure, and when
// the reply is larger.
std::optional<std::string> gf_downloadToText(CURL* curl, const StopControl& stop,
                                             const std::string& url, std::size_t maxBytes);

} // namespace skyloom
