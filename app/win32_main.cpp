#include <windows.h>

#include <filesystem>

#include "system/command_line.h"
#include "system/paths.h"
#include "win32/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    quillet::win32::MainWindow window(instance);
    // `quillet.exe LOG`, as Explorer's "Open with" starts it, opens the window with LOG in place.
    const auto arguments = quillet::system::commandLineArguments(0, nullptr);
    if (arguments.size() > 1) {
        window.openLog(
            quillet::utf8FromPath(std::filesystem::absolute(quillet::pathFromUtf8(arguments[1]))));
    }
    return window.run(showCommand);
}
