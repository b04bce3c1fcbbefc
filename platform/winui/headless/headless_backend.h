// The backend without a display: nothing is shown, and every dialog is answered from a script
// that the test fills beforehand. Each request is written down with its answer, so tests can
// check what the user would have been asked. A message box with no scripted answer takes its
// default button; a folder picker with none is cancelled; opening a file in the shell
// succeeds when the path exists, unless scripted otherwise.
#pragma once

#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/winui/backend.h"
#include "platform/winui/dialogs.h"

namespace skyloom::winui::headless {

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;    // UTF-8
    std::string caption; // UTF-8
    UINT type = 0;
    MessageBoxIcon icon = MessageBoxIcon::none;
    int answer = 0;
};

struct FolderPickerRecord {
    HWND owner = nullptr;
    std::filesystem::path initialFolder;
    std::optional<std::filesystem::path> answer;
    std::string title; // UTF-8
};

struct ShellOpenRecord {
    std::filesystem::path path;
    bool answer = false;
};

class HeadlessBackend final : public Backend {
public:
    // --- Script ---
    // The next message box is answered with `answer` (IDOK, IDYES, ...). An answer the box
    // cannot give (IDYES to an MB_OK box) makes the call throw std::logic_error: the test
    // expected another box.
    void answerMessageBox(int answer);
    // The next folder picker returns this folder (no value: the user cancels).
    void answerFolderPicker(std::optional<std::filesystem::path> folder);
    void answerShellOpen(bool succeeds);
    // Forgets answers not used and the journal.
    void reset();

    // --- Journal ---
    std::vector<MessageBoxRecord> messageBoxes() const;
    std::vector<FolderPickerRecord> folderPickers() const;
    std::vector<ShellOpenRecord> shellOpens() const;
    std::size_t unusedAnswers() const;
    // How often painting changed what a top-level window shows.
    std::size_t paintedFrames() const;

    // --- Backend ---
    int messageBox(const MessageBoxRequest& request) override;
    std::optional<std::filesystem::path> pickFolder(const FolderPickerRequest& request) override;
    bool shellOpen(const std::filesystem::path& path) override;
    void windowPainted(HWND topLevel) override;

private:
    mutable std::mutex mutex_;
    std::deque<int> messageBoxAnswers_;
    std::deque<std::optional<std::filesystem::path>> folderAnswers_;
    std::deque<bool> shellAnswers_;
    std::vector<MessageBoxRecord> messageBoxes_;
    std::vector<FolderPickerRecord> folderPickers_;
    std::vector<ShellOpenRecord> shellOpens_;
    std::size_t paintedFrames_ = 0;
};

// Installs a fresh headless backend for the process and returns it.
std::shared_ptr<HeadlessBackend> installHeadlessBackend();

} // namespace skyloom::winui::headless
