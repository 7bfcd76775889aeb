#include "win32/open_save_dialog.h"

#include <commdlg.h>

#include <vector>

#include "conversion/failure.h"
#include "system/wide_text.h"

namespace quillet::win32 {
namespace {

using system::wideFromUtf8;

// Room for the longest path Windows can name, not only the 260 characters of old.
constexpr std::size_t kNameCapacity = 32768;

// The filter as the dialogs take it: each description and its patterns (joined by ";") ended
// by a null character, the whole list by a second one.
std::wstring dialogFilter(std::string_view filter) {
    std::wstring list;
    for (const auto& choice : frontend::filterChoices(filter)) {
        list += wideFromUtf8(choice.description);
        list += L'\0';
        for (std::size_t i = 0; i < choice.patterns.size(); ++i) {
            if (i > 0) list += L';';
            list += wideFromUtf8(choice.patterns[i]);
        }
        list += L'\0';
    }
    list += L'\0';
    return list;
}

}  // namespace

void OpenSaveDialog::ShowOpen() { show(frontend::DialogKind::Open); }

void OpenSaveDialog::ShowSave() { show(frontend::DialogKind::Save); }

void OpenSaveDialog::show(frontend::DialogKind kind) {
    const std::wstring title = wideFromUtf8(DialogTitle);
    const std::wstring initialFolder = wideFromUtf8(InitDir);
    const std::wstring filter = dialogFilter(Filter);
    std::vector<wchar_t> name(kNameCapacity, L'\0');
    const std::wstring initialName = wideFromUtf8(FileName);
    initialName.copy(name.data(), name.size() - 1);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.lpstrTitle = title.c_str();
    // The flags as set, in the dialog's Explorer style.
    dialog.Flags = Flags | OFN_EXPLORER;

    const BOOL chosen =
        kind == frontend::DialogKind::Open ? GetOpenFileNameW(&dialog) : GetSaveFileNameW(&dialog);
    if (chosen) {
        FileName = system::utf8FromWide(name.data());
        return;
    }
    // A cancel leaves the name as it was; anything else is the dialog's own failure.
    if (const DWORD error = CommDlgExtendedError()) {
        throw Failure(
            FailureNumber::InternalError,
            "The file dialog could not be shown (dialog error " + std::to_string(error) + ")");
    }
}

}  // namespace quillet::win32
