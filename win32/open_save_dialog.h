#pragma once

#include <windows.h>

#include "frontend/file_choosing.h"

namespace quillet::win32 {

// The platform's open-file and save-file dialogs, owned by the main window.
class OpenSaveDialog : public frontend::FileDialog {
  public:
    explicit OpenSaveDialog(HWND owner) : m_owner(owner) {}

    void ShowOpen() override;
    void ShowSave() override;

  private:
    void show(frontend::DialogKind kind);

    HWND m_owner;
};

}  // namespace quillet::win32
