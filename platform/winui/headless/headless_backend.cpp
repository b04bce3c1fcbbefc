#include "platform/winui/headless/headless_backend.h"

#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "platform/winui/wide_text.h"

namespace skyloom::winui::headless {

void HeadlessBackend::answerMessageBox(int answer) {
    std::lock_guard lock(mutex_);
    messageBoxAnswers_.push_back(answer);
}

void HeadlessBackend::answerFolderPicker(std::optional<std::filesystem::path> folder) {
    std::lock_guard lock(mutex_);
    folderAnswers_.push_back(std::move(folder));
}

void HeadlessBackend::answerShellOpen(bool succeeds) {
    std::lock_guard lock(mutex_);
    shellAnswers_.push_back(succeeds);
}

void HeadlessBackend::reset() {
    std::lock_guard lock(mutex_);
    messageBoxAnswers_.clear();
    folderAnswers_.clear();
    shellAnswers_.clear();
    messageBoxes_.clear();
    folderPickers_.clear();
    shellOpens_.clear();
    paintedFrames_ = 0;
}

std::vector<MessageBoxRecord> HeadlessBackend::messageBoxes() const {
    std::lock_guard lock(mutex_);
    return messageBoxes_;
}

std::vector<FolderPickerRecord> HeadlessBackend::folderPickers() const {
    std::lock_guard lock(mutex_);
    return folderPickers_;
}

std::vector<ShellOpenRecord> HeadlessBackend::shellOpens() const {
    std::lock_guard lock(mutex_);
    return shellOpens_;
}

std::size_t HeadlessBackend::unusedAnswers() const {
    std::lock_guard lock(mutex_);
    return messageBoxAnswers_.size() + folderAnswers_.size() + shellAnswers_.size();
}

std::size_t HeadlessBackend::paintedFrames() const {
    std::lock_guard lock(mutex_);
    return paintedFrames_;
}

int HeadlessBackend::messageBox(const MessageBoxRequest& request) {
    MessageBoxRecord record;
    record.owner = request.owner;
    record.text = utf8FromWideLenient(request.text);
    record.caption = utf8FromWideLenient(request.caption);
    record.type = request.type;
    record.icon = messageBoxIconOf(request.type);
    std::lock_guard lock(mutex_);
    if (messageBoxAnswers_.empty()) {
        record.answer = defaultMessageBoxAnswer(request.type);
    } else {
        record.answer = messageBoxAnswers_.front();
        messageBoxAnswers_.pop_front();
        if (!isMessageBoxAnswer(request.type, record.answer)) {
            throw std::logic_error(
                fmt::format("scripted answer {} does not fit the message box \"{}\"", record.answer,
                            record.text));
        }
    }
    messageBoxes_.push_back(record);
    return record.answer;
}

std::optional<std::filesystem::path>
HeadlessBackend::pickFolder(const FolderPickerRequest& request) {
    FolderPickerRecord record{request.owner, request.initialFolder, std::nullopt,
                              utf8FromWideLenient(request.title)};
    std::lock_guard lock(mutex_);
    if (!folderAnswers_.empty()) {
        record.answer = folderAnswers_.front();
        folderAnswers_.pop_front();
    }
    folderPickers_.push_back(record);
    return record.answer;
}

bool HeadlessBackend::shellOpen(const std::filesystem::path& path) {
    ShellOpenRecord record{path, false};
    std::lock_guard lock(mutex_);
    if (shellAnswers_.empty()) {
        std::error_code error;
        record.answer = std::filesystem::exists(path, error);
    } else {
        record.answer = shellAnswers_.front();
        shellAnswers_.pop_front();
    }
    shellOpens_.push_back(record);
    return record.answer;
}

void HeadlessBackend::windowPainted(HWND /*topLevel*/) {
    std::lock_guard lock(mutex_);
    ++paintedFrames_;
}

std::shared_ptr<HeadlessBackend> installHeadlessBackend() {
    auto backend = std::make_shared<HeadlessBackend>();
    setBackend(backend);
    return backend;
}

} // namespace skyloom::winui::headless
