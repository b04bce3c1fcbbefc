#include "platform/winui/controls/builtin_classes.h"

#include "platform/winui/gdi_objects.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_class.h"

namespace skyloom::winui::detail {
namespace {

void lf_register(LPCWSTR name, WNDPROC proc, UINT style, HBRUSH background) {
    WNDCLASSEXW windowClass;
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = proc;
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    registerClassUnchecked(&windowClass);
}

} // namespace

void registerBuiltinClasses() {
    lf_register(u"BUTTON", &buttonProc, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr);
    lf_register(u"COMBOBOX", &comboBoxProc, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr);
    lf_register(u"ComboLBox", &comboListProc, CS_DBLCLKS, nullptr);
    lf_register(u"EDIT", &editProc, CS_DBLCLKS, nullptr);
}

} // namespace skyloom::winui::detail
