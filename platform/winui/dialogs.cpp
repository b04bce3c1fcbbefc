#include "platform/winui/dialogs.h"

#include <cstdint>
#include <vector>

#include "platform/winui/backend.h"
#include "platform/winui/last_error.h"
#include "platform/winui/styles.h"
#include "platform/winui/wide_text.h"

namespace skyloom::winui {
std::vector<int> messageBoxButtons(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDOK};
    }
}

MessageBoxIcon messageBoxIconOf(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        return MessageBoxIcon::error;
    case MB_ICONQUESTION:
        return MessageBoxIcon::question;
    case MB_ICONWARNING:
        return MessageBoxIcon::warning;
    case MB_ICONINFORMATION:
        return MessageBoxIcon::information;
    default:
        return MessageBoxIcon::none;
    }
}

int defaultMessageBoxAnswer(UINT type) {
    const auto buttons = messageBoxButtons(type);
    const std::size_t index = ((type & MB_DEFMASK) >> 8);
    return index < buttons.size() ? buttons[index] : buttons.front();
}

bool isMessageBoxAnswer(UINT type, int answer) {
    for (int button : messageBoxButtons(type)) {
        if (button == answer) {
            return true;
        }
    }
    return false;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    auto backend = currentBackend();
    if (!backend) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    MessageBoxRequest request;
    request.owner = owner;
    request.text = wideString(text);
    // Windows titles a box without caption "Error".
    request.caption = caption == nullptr ? std::u16string(u"Error") : wideString(caption);
    request.type = type;
    return backend->messageBox(request);
}

std::optional<std::filesystem::path> showFolderPicker(HWND owner,
                                                      const std::filesystem::path& initialFolder,
                                                      std::u16string_view title) {
    auto backend = currentBackend();
    if (!backend) {
        return std::nullopt;
    }
    return backend->pickFolder(FolderPickerRequest{owner, initialFolder, std::u16string(title)});
}

HINSTANCE ShellExecuteW(HWND /*owner*/, LPCWSTR verb, LPCWSTR file, LPCWSTR /*parameters*/,
                        LPCWSTR /*directory*/, int /*showCommand*/) {
    constexpr std::uintptr_t kFileNotFound = 2;
    constexpr std::uintptr_t kNoAssociation = 31;
    constexpr std::uintptr_t kSuccess = 42;
    auto asResult = [](std::uintptr_t value) { return reinterpret_cast<HINSTANCE>(value); };
    const std::u16string operation = wideString(verb);
    if (!operation.empty() && operation != u"open") {
        return asResult(kNoAssociation);
    }
    auto backend = currentBackend();
    if (!backend || file == nullptr) {
        return asResult(kFileNotFound);
    }
    std::filesystem::path path;
    try {
        path = std::filesystem::path(utf8FromWide(wideString(file)));
    } catch (const std::exception&) {
        return asResult(kFileNotFound);
    }
    return asResult(backend->shellOpen(path) ? kSuccess : kFileNotFound);
}

} // namespace skyloom::winui
