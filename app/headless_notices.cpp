#include "app/headless_notices.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "foundation/utf.h"
#include "gui/gui.h"
#include "platform/winui/backend.h"

namespace skyloom {
namespace {

// The backend that was there, with each message box's text written out before it answers.
class NoticeEchoBackend final : public winui::Backend {
public:
    explicit NoticeEchoBackend(std::shared_ptr<winui::Backend> inner) : inner_(std::move(inner)) {}

    int messageBox(const winui::MessageBoxRequest& request) override {
        try {
            gf_writeNoticeToStandardError(wide_to_utf8(request.text));
        } catch (const std::exception&) {
            gf_writeNoticeToStandardError("(a message box whose text is not valid UTF-16)");
        }
        return inner_->messageBox(request);
    }
    std::optional<std::filesystem::path>
    pickFolder(const winui::FolderPickerRequest& request) override {
        return inner_->pickFolder(request);
    }
    bool shellOpen(const std::filesystem::path& path) override { return inner_->shellOpen(path); }
    void windowChanged(winui::HWND topLevel) override { inner_->windowChanged(topLevel); }
    void windowPainted(winui::HWND topLevel) override { inner_->windowPainted(topLevel); }
    void windowDestroyed(winui::HWND topLevel) override { inner_->windowDestroyed(topLevel); }

private:
    std::shared_ptr<winui::Backend> inner_;
};

// The notices written lately: an error line that says what was written at once already (a run
// that ends for want of a file) is not written a second time when the window shows it.
constexpr std::size_t kRecentNotices = 8;

struct RecentNotices {
    std::mutex mutex;
    std::deque<std::string> texts;
};

RecentNotices& lf_recentNotices() {
    static RecentNotices recent;
    return recent;
}

void lf_echoErrorLine(const std::string& text) noexcept {
    try {
        RecentNotices& recent = lf_recentNotices();
        std::lock_guard lock(recent.mutex);
        if (std::find(recent.texts.begin(), recent.texts.end(), text) != recent.texts.end()) {
            return;
        }
    } catch (...) {
        // Said twice rather than not at all.
    }
    gf_writeNoticeToStandardError(text);
}

} // namespace

void gf_writeNoticeToStandardError(std::string_view text) noexcept {
    try {
        const std::string line = fmt::format("{}\n", text);
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        RecentNotices& recent = lf_recentNotices();
        std::lock_guard lock(recent.mutex);
        recent.texts.emplace_back(text);
        if (recent.texts.size() > kRecentNotices) {
            recent.texts.pop_front();
        }
    } catch (...) {
        // Nowhere left to say it; the window and the log have it.
    }
}

void gf_echoNoticesToStandardError(Gui& gui) {
    if (std::shared_ptr<winui::Backend> backend = winui::currentBackend()) {
        winui::setBackend(std::make_shared<NoticeEchoBackend>(std::move(backend)));
    }
    gui.setAppliedUpdateObserver([](const GuiUpdate& update, GuiRedrawFlags) {
        if (const auto* error = update.get<GuiUpdate::ErrorText>()) {
            lf_echoErrorLine(error->text);
        }
    });
}

} // namespace skyloom
