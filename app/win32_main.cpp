#include <windows.h>

#include <filesystem>

#include "main_window.h"
#include "platform_file.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    quillet::win32::MainWindow window(instance);
    // `quillet.exe LOG`, as Explorer's "Open with" starts it, opens the window with LOG in place.
    const auto arguments = quillet::platform::commandLineArguments(0, nullptr);
    if (arguments.size() > 1) {
        namespace platform = quillet::platform;
        window.openLog(platform::utf8FromPath(
            std::filesystem::absolute(platform::pathFromUtf8(arguments[1]))));
    }
    return window.run(showCommand);
}
