#include <windows.h>

#include "main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    quillet::win32::MainWindow window(instance);
    return window.run(showCommand);
}
