// The standard dialogs: message boxes (owner, text, title, buttons, icon) and the folder
// picker, and opening a file or folder in the desktop's shell. The backend answers them: on
// screen with real dialogs, in the headless backend from a script that tests fill.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

// Buttons.
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;
// Icons.
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0x000000F0;
// Default button.
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFMASK = 0x00000F00;
// Modality and placement (recorded, no further effect).
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_SYSTEMMODAL = 0x00001000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;
inline constexpr UINT MB_SETFOREGROUND = 0x00010000;
inline constexpr UINT MB_TOPMOST = 0x00040000;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

enum class MessageBoxIcon { none, error, question, warning, information };
MessageBoxIcon messageBoxIconOf(UINT type);
// The answers of the buttons of a message box of this type, in the order they are shown.
std::vector<int> messageBoxButtons(UINT type);
// The answer a message box of this type gives when its default button is chosen.
int defaultMessageBoxAnswer(UINT type);
// The answers a message box of this type can give.
bool isMessageBoxAnswer(UINT type, int answer);

// The answer (IDOK, IDYES, ...), or 0 when no backend can show it.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Lets the user pick a folder, starting at `initialFolder` when it is not empty, under the
// dialog title `title` (what to pick; empty: the backend's own); no value when the user
// cancels or no backend can show the picker.
std::optional<std::filesystem::path> showFolderPicker(HWND owner,
                                                      const std::filesystem::path& initialFolder,
                                                      std::u16string_view title = {});

// Opens a file or folder with the desktop's handler. Returns a value above 32 on success and
// an error value (2: file not found) otherwise, as ShellExecuteW does; only "open" (or a
// null verb) is understood.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, int showCommand);

} // namespace skyloom::winui
