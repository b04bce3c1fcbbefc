// The standard dialogs as GTK dialogs (GTK thread only), modal over their owner's window: a
// message box with the buttons, default button, icon and title its type asks for, and the
// folder picker.
#pragma once

#include <filesystem>
#include <optional>

#include <gtk/gtk.h>

#include "platform/winui/backend.h"

namespace skyloom::winui::gtk {

// IDOK, IDYES, ...; closing the box answers as Cancel where it has one (as Escape does on
// Windows), OK for a box with only OK; boxes without either cannot be closed.
int gf_runMessageBox(const MessageBoxRequest& request, GtkWindow* parent);
// The folder chosen, or no value when the user cancels.
std::optional<std::filesystem::path> gf_runFolderPicker(const FolderPickerRequest& request,
                                                        GtkWindow* parent);

} // namespace skyloom::winui::gtk
