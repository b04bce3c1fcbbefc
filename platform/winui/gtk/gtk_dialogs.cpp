#include "platform/winui/gtk/gtk_dialogs.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "platform/winui/dialogs.h"
#include "platform/winui/wide_text.h"

namespace skyloom::winui::gtk {
namespace {

const char* lf_label(int answer) {
    switch (answer) {
    case IDOK:
        return "_OK";
    case IDCANCEL:
        return "_Cancel";
    case IDABORT:
        return "_Abort";
    case IDRETRY:
        return "_Retry";
    case IDIGNORE:
        return "_Ignore";
    case IDYES:
        return "_Yes";
    case IDNO:
        return "_No";
    default:
        return "?";
    }
}

GtkMessageType lf_messageType(UINT type) {
    switch (messageBoxIconOf(type)) {
    case MessageBoxIcon::error:
        return GTK_MESSAGE_ERROR;
    case MessageBoxIcon::question:
        return GTK_MESSAGE_QUESTION;
    case MessageBoxIcon::warning:
        return GTK_MESSAGE_WARNING;
    case MessageBoxIcon::information:
        return GTK_MESSAGE_INFO;
    case MessageBoxIcon::none:
        break;
    }
    return GTK_MESSAGE_OTHER;
}

// The answer of closing the box, or 0 when it cannot be closed.
int lf_closeAnswer(const std::vector<int>& buttons) {
    if (std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end()) {
        return IDCANCEL;
    }
    return buttons.size() == 1 && buttons.front() == IDOK ? IDOK : 0;
}

} // namespace

int gf_runMessageBox(const MessageBoxRequest& request, GtkWindow* parent) {
    const std::vector<int> buttons = messageBoxButtons(request.type);
    const std::string text = utf8FromWideLenient(request.text);
    GtkWidget* dialog =
        gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, lf_messageType(request.type),
                               GTK_BUTTONS_NONE, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), utf8FromWideLenient(request.caption).c_str());
    for (int answer : buttons) {
        gtk_dialog_add_button(GTK_DIALOG(dialog), lf_label(answer), answer);
    }
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), defaultMessageBoxAnswer(request.type));
    const int closeAnswer = lf_closeAnswer(buttons);
    gtk_window_set_deletable(GTK_WINDOW(dialog), closeAnswer != 0 ? TRUE : FALSE);
    int answer = 0;
    while (answer == 0) {
        const int response = gtk_dialog_run(GTK_DIALOG(dialog));
        if (std::find(buttons.begin(), buttons.end(), response) != buttons.end()) {
            answer = response;
        } else if (response == GTK_RESPONSE_DELETE_EVENT) {
            answer = closeAnswer;
        } else {
            // The box went without an answer: its default button.
            answer = defaultMessageBoxAnswer(request.type);
        }
    }
    gtk_widget_destroy(dialog);
    return answer;
}

std::optional<std::filesystem::path> gf_runFolderPicker(const FolderPickerRequest& request,
                                                        GtkWindow* parent) {
    const std::string title =
        request.title.empty() ? std::string("Select a folder") : utf8FromWideLenient(request.title);
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        title.c_str(), parent, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
        GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
    std::error_code error;
    if (!request.initialFolder.empty() &&
        std::filesystem::is_directory(request.initialFolder, error)) {
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog),
                                            request.initialFolder.c_str());
    }
    std::optional<std::filesystem::path> chosen;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
            chosen = std::filesystem::path(name);
            g_free(name);
        }
    }
    gtk_widget_destroy(dialog);
    return chosen;
}

} // namespace skyloom::winui::gtk
