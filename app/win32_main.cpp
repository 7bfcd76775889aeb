#include <windows.h>

#include "frontend/log_page.h"
#include "frontend/opened_log.h"
#include "frontend/window_layout.h"
#include "system/command_line.h"
#include "system/wide_text.h"
#include "win32/main_window.h"

namespace {

// "Show log page" has no window: its messages are boxes of their own.
class PageBoxes : public quillet::frontend::PageMessages {
  public:
    void show(const std::string& text, quillet::MessageIcon icon) override {
        const UINT iconStyle =
            icon == quillet::MessageIcon::Exclamation ? MB_ICONEXCLAMATION : MB_ICONERROR;
        MessageBoxW(nullptr, quillet::system::wideFromUtf8(text).c_str(),
                    quillet::system::wideFromUtf8(quillet::frontend::kMessageCaption).c_str(),
                    MB_OK | iconStyle);
    }
};

}  // namespace

// `quillet.exe LOG`, as Explorer's "Open with" starts it, opens the window with LOG in place;
// `quillet.exe --page LOG`, Explorer's "Show log page", opens LOG's page in the browser without
// a window.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    const quillet::frontend::WindowProgramStart start =
        quillet::frontend::readWindowArguments(quillet::system::commandLineArguments(0, nullptr));
    if (start.pageLogs) {
        PageBoxes messages;
        return quillet::frontend::showLogPage(*start.pageLogs, messages);
    }
    quillet::win32::MainWindow window(instance);
    if (start.log) window.openLog(*start.log);
    return window.run(showCommand);
}
