// The program's entry: one instance at a time, the window system without a display, and the
// program's run on the main thread.
#include <string>
#include <vector>

#include "app/process_entry.h"
#include "platform/winui/headless/headless_backend.h"

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv, argv + argc);
    return skyloom::gf_runAsSingleInstance([&] {
        skyloom::winui::headless::installHeadlessBackend();
        return skyloom::gf_runProgram(arguments);
    });
}
