#include "refdata/download.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "refdata/download_area.h"
#include "runtime/stop_request.h"
#include "tests/refdata/support/refdata_test_support.h"
#include "tools/download_server/download_server.h"

namespace skyloom {
namespace {

using tools::DownloadServer;
using tools::ServerFault;
namespace fs = std::filesystem;

std::string lf_payload(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    }
    return bytes;
}

// Short limits, so that the time-out cases end soon; what is tested is the outcome, never how
// long it took. Only those cases take them: a loaded machine can hold the server's thread for
// longer than a second, and a download that was to succeed then timed out.
DownloadLimits lf_shortLimits() {
    DownloadLimits limits;
    limits.connectTimeout = std::chrono::milliseconds(2000);
    limits.totalTimeout = std::chrono::milliseconds(800);
    limits.lowSpeedTime = std::chrono::seconds(1);
    return limits;
}

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::resetReferenceData();
        testing::writeText(area_ / "downloads" / "data" / "dbase.enc", payload_);
        testing::writeText(area_ / "versions.json", "{}");
        server_ = std::make_unique<DownloadServer>(area_.path());
        server_->setSlowDelay(std::chrono::milliseconds(200));
    }
    void TearDown() override {
        server_.reset();
        testing::resetReferenceData();
    }

    std::string url(std::string_view path) const { return server_->baseUrl() + std::string(path); }
    fs::path target() const { return dest_ / "dbase.enc"; }
    fs::path temporary() const { return dest_ / "dbase.enc.download_tmp"; }

    const std::string payload_ = lf_payload(200000);
    testing::TempDir area_;
    testing::TempDir dest_;
    std::unique_ptr<DownloadServer> server_;
    StopControl stop_;
    CurlEasyHandle curl_ = gf_newCurlHandle(DownloadLimits{});
    CurlEasyHandle impatient_ = gf_newCurlHandle(lf_shortLimits());
};

TEST_F(DownloadTest, CompleteDownloadReplacesTheTarget) {
    testing::CapturedLog log;
    testing::writeText(target(), "old contents");
    ASSERT_TRUE(
        gf_downloadToFile(curl_.get(), stop_, url("downloads/data/dbase.enc"), target(), true));
    EXPECT_EQ(testing::readText(target()), payload_);
    EXPECT_FALSE(fs::exists(temporary()));
    EXPECT_TRUE(log.contains(fmt::format("Downloaded {} to ", url("downloads/data/dbase.enc"))));
    EXPECT_TRUE(log.contains("(200000 bytes)"));
    // The handle serves more downloads, in text mode too.
    ASSERT_TRUE(
        gf_downloadToFile(curl_.get(), stop_, url("versions.json"), dest_ / "v.json", false));
    EXPECT_EQ(testing::readText(dest_ / "v.json"), "{}");
}

// Every way a download can fail leaves no file behind, keeps what was there, and is logged.
TEST_F(DownloadTest, FailedDownloadsLeaveNoFileAndReportTheError) {
    struct Case {
        const char* name;
        ServerFault fault;
        const char* path;
        const char* reason;
        bool timesOut;
    };
    const Case cases[] = {
        {"404 on every path", ServerFault::notFound, "downloads/data/dbase.enc", "HTTP status 404",
         false},
        {"missing file", ServerFault::none, "downloads/data/airports.enc", "HTTP status 404", false},
        {"too slow", ServerFault::slow, "downloads/data/dbase.enc", "(28)", true},
        {"cut short", ServerFault::cutShort, "downloads/data/dbase.enc", "(18)", false},
        {"never answers", ServerFault::neverAnswer, "downloads/data/dbase.enc", "(28)", true},
    };
    for (const bool targetExists : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(fmt::format("{}, target exists: {}", c.name, targetExists));
            testing::CapturedLog log;
            fs::remove(target());
            if (targetExists) {
                testing::writeText(target(), "good old file");
            }
            server_->setFault(c.fault);
            CURL* const handle = c.timesOut ? impatient_.get() : curl_.get();
            EXPECT_FALSE(gf_downloadToFile(handle, stop_, url(c.path), target(), true));
            EXPECT_FALSE(fs::exists(temporary()));
            if (targetExists) {
                EXPECT_EQ(testing::readText(target()), "good old file");
            } else {
                EXPECT_FALSE(fs::exists(target()));
            }
            EXPECT_TRUE(log.contains(fmt::format("==> Download of {} failed: ", url(c.path))));
            EXPECT_TRUE(log.contains(c.reason));
        }
    }
}

// Replies without a body, a 404 for a missing file and an empty file, end whole and leave the
// download area idle: none of its threads keeps asking for body bytes that never come, and it
// still answers after more such replies than it has threads (32).
TEST_F(DownloadTest, EmptyRepliesEndAndLeaveTheAreaIdle) {
    constexpr int kRepliesBeyondThreads = 40;
    testing::writeText(area_ / "downloads" / "empty.txt", "");
    struct Case {
        const char* name;
        const char* path;
        bool found;
    };
    const Case cases[] = {
        {"404 for a missing file", "downloads/data/airports.enc", false},
        {"empty file", "downloads/empty.txt", true},
    };
    const auto emptyReply = [this](const Case& c) {
        fs::remove(target());
        const bool done = gf_downloadToFile(curl_.get(), stop_, url(c.path), target(), false);
        EXPECT_EQ(done, c.found);
        if (c.found) {
            EXPECT_EQ(testing::readText(target()), "");
        }
        return done == c.found;
    };
    // A whole body takes one call for its bytes, and nothing else asks for any meanwhile.
    const auto wholeReplyAlone = [this] {
        const std::size_t before = server_->bodyCalls();
        ASSERT_TRUE(
            gf_downloadToFile(curl_.get(), stop_, url("versions.json"), dest_ / "v.json", false));
        EXPECT_EQ(testing::readText(dest_ / "v.json"), "{}");
        EXPECT_EQ(server_->bodyCalls(), before + 1);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::CapturedLog log;
        ASSERT_TRUE(emptyReply(c));
        wholeReplyAlone();
        for (int i = 1; i < kRepliesBeyondThreads; ++i) {
            ASSERT_TRUE(emptyReply(c)) << "reply " << i + 1;
        }
        wholeReplyAlone();
    }
}

TEST_F(DownloadTest, ServerThatIsGoneIsReported) {
    testing::CapturedLog log;
    const auto gone = url("downloads/data/dbase.enc");
    server_.reset();
    EXPECT_FALSE(gf_downloadToFile(curl_.get(), stop_, gone, target(), true));
    EXPECT_FALSE(fs::exists(target()));
    EXPECT_FALSE(fs::exists(temporary()));
    EXPECT_TRUE(log.contains(fmt::format("==> Download of {} failed: ", gone)));
}

TEST_F(DownloadTest, TargetThatCannotBeWrittenIsReported) {
    testing::CapturedLog log;
    const auto unwritable = dest_ / "missing-folder" / "dbase.enc";
    EXPECT_FALSE(
        gf_downloadToFile(curl_.get(), stop_, url("downloads/data/dbase.enc"), unwritable, true));
    EXPECT_TRUE(log.contains("failed: cannot create "));
    EXPECT_TRUE(server_->requests().empty());
}

TEST_F(DownloadTest, NothingStartsWhileTheProgramIsStopping) {
    testing::CapturedLog log;
    stop_.request(StopReason::userClosedSim, 0);
    EXPECT_FALSE(
        gf_downloadToFile(curl_.get(), stop_, url("downloads/data/dbase.enc"), target(), true));
    EXPECT_FALSE(fs::exists(target()));
    EXPECT_FALSE(fs::exists(temporary()));
    EXPECT_TRUE(server_->requests().empty());
    EXPECT_TRUE(log.contains("failed: the program is stopping"));
}

// A download waiting on a silent server ends when the program begins to stop, long before its
// own time-outs would end it.
TEST_F(DownloadTest, StopEndsADownloadInProgress) {
    testing::CapturedLog log;
    DownloadLimits patient;
    patient.totalTimeout = std::chrono::milliseconds(0);
    patient.lowSpeedTime = std::chrono::seconds(600);
    const auto curl = gf_newCurlHandle(patient);
    server_->setFault(ServerFault::neverAnswer);
    std::thread stopper([this] {
        while (server_->requests().empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        stop_.request(StopReason::userClosedSim, 0);
    });
    EXPECT_FALSE(
        gf_downloadToFile(curl.get(), stop_, url("downloads/data/dbase.enc"), target(), true));
    stopper.join();
    EXPECT_FALSE(fs::exists(target()));
    EXPECT_FALSE(fs::exists(temporary()));
    EXPECT_TRUE(log.contains("failed: stopped, the program is stopping"));
}

TEST_F(DownloadTest, TextDownloadHasASizeLimit) {
    testing::CapturedLog log;
    EXPECT_EQ(gf_downloadToText(curl_.get(), stop_, url("versions.json"), 2), "{}");
    EXPECT_FALSE(gf_downloadToText(curl_.get(), stop_, url("downloads/data/dbase.enc"), 1000));
    EXPECT_TRUE(log.contains("failed: the reply is larger than 1000 bytes"));
}

TEST_F(DownloadTest, DownloadAreaUrls) {
    EXPECT_EQ(gf_downloadAreaUrl("versions.json"), "");
    ::setenv(kDownloadBaseEnvironment, "http://example.invalid/area", 1);
    EXPECT_EQ(gf_downloadAreaUrl("versions.json"), "http://example.invalid/area/versions.json");
    ::unsetenv(kDownloadBaseEnvironment);
    gf_setDownloadAreaBase("http://127.0.0.1:8080/");
    EXPECT_EQ(gf_downloadAreaUrl("/downloads\\MSFS\\archive\\stock/EGLL.enc"),
              "http://127.0.0.1:8080/downloads/MSFS/archive/stock/EGLL.enc");
    gf_setDownloadAreaBase("");
    EXPECT_EQ(gf_downloadAreaBase(), "");
}

// While the area is in maintenance nothing is asked of it.
TEST_F(DownloadTest, MaintenanceFlagStopsDownloadsFromTheArea) {
    testing::CapturedLog log;
    gf_setDownloadAreaBase(server_->baseUrl());
    gf_setDownloadAreaMaintenance(true);
    EXPECT_FALSE(
        gf_downloadFromArea(curl_.get(), stop_, "downloads/data/dbase.enc", target(), true));
    EXPECT_FALSE(fs::exists(target()));
    EXPECT_TRUE(server_->requests().empty());
    EXPECT_TRUE(log.has("==> downloads/data/dbase.enc not downloaded: Web server temporarily "
                        "unavailable due to maintenance."));

    gf_setDownloadAreaMaintenance(false);
    EXPECT_TRUE(
        gf_downloadFromArea(curl_.get(), stop_, "downloads/data/dbase.enc", target(), true));
    EXPECT_EQ(server_->requests(), (std::vector<std::string>{"/downloads/data/dbase.enc"}));
}

TEST_F(DownloadTest, NoAreaConfiguredMeansNoDownload) {
    testing::CapturedLog log;
    EXPECT_FALSE(gf_downloadFromArea(curl_.get(), stop_, "versions.json", target(), false));
    EXPECT_TRUE(log.has("==> versions.json not downloaded: no download area is configured"));
}

} // namespace
} // namespace skyloom
