#include <windows.h>

#include <filesystem>

#include "frontend/log_page.h"
#include "frontend/window_layout.h"
#include "system/command_line.h"
#include "system/paths.h"
#include "system/wide_text.h"
#include "win32/main_window.h"

namespace {

// "Show log page" has no window: its messages are boxes of their own.
class PageServices : public quillet::frontend::WindowlessServices {
  public:
    void showMessage(const std::string& text, quillet::MessageIcon icon) override {
        const UINT iconStyle =
            icon == quillet::MessageIcon::Exclamation ? MB_ICONEXCLAMATION : MB_ICONERROR;
        MessageBoxW(nullptr, quillet::system::wideFromUtf8(text).c_str(),
                    quillet::system::wideFromUtf8(quillet::frontend::kMessageCaption).c_str(),
                    MB_OK | iconStyle);
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    const auto arguments = quillet::system::commandLineArguments(0, nullptr);
    // `quillet.exe --page LOG`, Explorer's "Show log page", opens LOG's page in the browser
    // without a window.
    if (arguments.size() > 1 && arguments[1] == "--page") {
        PageServices services;
        return quillet::frontend::showLogPage(arguments.size() > 2 ? arguments[2] : "", services);
    }
    quillet::win32::MainWindow window(instance);
    // `quillet.exe LOG`, as Explorer's "Open with" starts it, opens the window with LOG in place.
    if (arguments.size() > 1) {
        window.openLog(
            quillet::utf8FromPath(std::filesystem::absolute(quillet::pathFromUtf8(arguments[1]))));
    }
    return window.run(showCommand);
}
