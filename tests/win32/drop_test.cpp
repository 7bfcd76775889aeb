#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "system/wide_text.h"
#include "win32/main_window.h"

namespace quillet::win32 {
namespace {

using frontend::Control;

// Drops files on the window as Explorer does: a DROPFILES block of wide, null-ended paths.
void drop(const MainWindow& window, const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    list += L'\0';
    const std::size_t listBytes = list.size() * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + listBytes);
    ASSERT_NE(block, nullptr);
    auto* files = static_cast<DROPFILES*>(GlobalLock(block));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), list.data(), listBytes);
    GlobalUnlock(block);
    SendMessageW(window.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

std::string text(const MainWindow& window, Control box) {
    wchar_t buffer[1024];
    const int length = GetWindowTextW(window.control(box), buffer, 1024);
    return system::utf8FromWide(std::wstring_view(buffer, static_cast<std::size_t>(length)));
}

TEST(DropTest, TheFirstDroppedLogFillsTheInputAndAnEmptyOutput) {
    MainWindow window(GetModuleHandleW(nullptr));

    drop(window,
         {L"C:\\Logs\\notes.txt", L"C:\\Fahrten \u00e4\\Run7QMRX.PDB", L"C:\\Logs\\Run8QMRX.pdb"});
    EXPECT_EQ(text(window, Control::txtInFile), "C:\\Fahrten \u00e4\\Run7QMRX.PDB");
    EXPECT_EQ(text(window, Control::txtOutFile), "C:\\Fahrten \u00e4\\Run7QMRX.csv");

    // An output already named stays as it is.
    drop(window, {L"D:\\Run9QMRX.pdb"});
    EXPECT_EQ(text(window, Control::txtInFile), "D:\\Run9QMRX.pdb");
    EXPECT_EQ(text(window, Control::txtOutFile), "C:\\Fahrten \u00e4\\Run7QMRX.csv");

    // A drop without a log changes nothing.
    drop(window, {L"C:\\Logs\\notes.txt", L"C:\\Logs\\Other.pdb"});
    EXPECT_EQ(text(window, Control::txtInFile), "D:\\Run9QMRX.pdb");
}

}  // namespace
}  // namespace quillet::win32
