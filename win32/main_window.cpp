#include "win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "conversion/failure.h"
#include "conversion/log_naming.h"
#include "frontend/file_conversion.h"
#include "frontend/opened_log.h"
#include "frontend/reporting.h"
#include "system/wide_text.h"
#include "win32/registry_settings.h"
#include "win32/resource_ids.h"

namespace quillet::win32 {
namespace {

using frontend::Control;
using frontend::ControlKind;
using frontend::kProgressSteps;
using system::wideFromUtf8;

constexpr wchar_t kWindowClass[] = L"QuilletMainWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// Identifiers of the controls, clear of IDOK and IDCANCEL, which Enter and Esc send.
constexpr int kFirstControlId = 100;

const wchar_t* windowClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
            return L"STATIC";
        case ControlKind::PathBox:
            return L"EDIT";
        case ControlKind::Button:
            return L"BUTTON";
        case ControlKind::ProgressBar:
            return PROGRESS_CLASSW;
    }
    return L"STATIC";
}

DWORD styleOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label:
            return SS_LEFT | SS_NOPREFIX;
        case ControlKind::PathBox:
            return WS_TABSTOP | ES_AUTOHSCROLL;
        case ControlKind::Button:
            return WS_TABSTOP | BS_PUSHBUTTON;
        case ControlKind::ProgressBar:
            return PBS_SMOOTH;
    }
    return 0;
}

HFONT messageFont(UINT dotsPerInch) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dotsPerInch);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

int textWidth(HWND control, HFONT font) {
    const std::wstring text = windowText(control);
    HDC context = GetDC(control);
    const HGDIOBJ previous = SelectObject(context, font);
    SIZE size{};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(context, previous);
    ReleaseDC(control, context);
    return size.cx;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : m_instance(instance) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_QUILLET));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUILLET),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);

    // Logs dragged from Explorer may be dropped on the window.
    CreateWindowExW(WS_EX_ACCEPTFILES, kWindowClass, wideFromUtf8(frontend::kWindowCaption).c_str(),
                    kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    nullptr, nullptr, instance, this);
}

MainWindow::~MainWindow() {
    if (m_window) DestroyWindow(m_window);
    if (m_font) DeleteObject(m_font);
}

int MainWindow::run(int showCommand) {
    ShowWindow(m_window, showCommand);
    m_focus = control(Control::cmdConvert);
    SetFocus(m_focus);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // The dialog manager moves the focus with Tab and turns Enter into IDOK.
        if (!IsDialogMessageW(m_window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK MainWindow::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            ComDiag = OpenSaveDialog(m_window);
            createControls();
            layOut(GetDpiForWindow(m_window));
            return 0;
        case WM_DPICHANGED: {
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(m_window, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            layOut(HIWORD(wParam));
            return 0;
        }
        case WM_ACTIVATE:
            // The focus comes back to the control that had it when a dialog or message box
            // took it away.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(m_window, focus)) m_focus = focus;
            } else if (m_focus) {
                SetFocus(m_focus);
            }
            return 0;
        case WM_SETCURSOR:
            if (m_busy) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                // Enter presses the focused button, and nothing in a path box.
                pressButton(GetFocus());
            } else if (HIWORD(wParam) == BN_CLICKED && lParam) {
                pressButton(reinterpret_cast<HWND>(lParam));
            }
            return 0;
        case WM_DROPFILES:
            openDroppedLog(reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_DESTROY:
            m_window = nullptr;
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

void MainWindow::createControls() {
    for (std::size_t i = 0; i < frontend::kControls.size(); ++i) {
        const frontend::ControlLayout& layout = frontend::kControls[i];
        const DWORD extendedStyle = layout.kind == ControlKind::PathBox ? WS_EX_CLIENTEDGE : 0;
        m_controls[i] = CreateWindowExW(
            extendedStyle, windowClassOf(layout.kind), wideFromUtf8(layout.caption).c_str(),
            WS_CHILD | WS_VISIBLE | styleOf(layout.kind), 0, 0, 0, 0, m_window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), m_instance,
            nullptr);
    }
    SendMessageW(control(Control::ProgBar), PBM_SETRANGE32, 0, kProgressSteps);
}

void MainWindow::layOut(UINT dotsPerInch) {
    const auto pixels = [dotsPerInch](int twips) {
        return frontend::pixelsFromTwips(twips, static_cast<int>(dotsPerInch));
    };
    RECT frame{0, 0, pixels(frontend::kClientWidthTwips), pixels(frontend::kClientHeightTwips)};
    AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, 0, dotsPerInch);
    SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    HFONT previousFont = std::exchange(m_font, messageFont(dotsPerInch));
    for (std::size_t i = 0; i < frontend::kControls.size(); ++i) {
        const frontend::ControlLayout& layout = frontend::kControls[i];
        SendMessageW(m_controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        int width = pixels(layout.width);
        // A font wider than the one the layout was drawn with would cut a caption off;
        // nothing stands to the right of a label, so it widens instead.
        if (layout.kind == ControlKind::Label)
            width = std::max(width, textWidth(m_controls[i], m_font));
        SetWindowPos(m_controls[i], nullptr, pixels(layout.left), pixels(layout.top), width,
                     pixels(layout.height), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (previousFont) DeleteObject(previousFont);
    InvalidateRect(m_window, nullptr, TRUE);
}

void MainWindow::pressButton(HWND button) {
    if (button == control(Control::cmdConvert)) {
        cmdConvert_Click();
    } else if (button == control(Control::cmdInBrowse)) {
        cmdInBrowse_Click();
    } else if (button == control(Control::cmdOutBrowse)) {
        cmdOutBrowse_Click();
    }
}

void MainWindow::openLog(const std::string& path) {
    const auto boxes =
        frontend::withOpenedLog({text(Control::txtInFile), text(Control::txtOutFile)}, path);
    setText(Control::txtInFile, boxes.input);
    setText(Control::txtOutFile, boxes.output);
}

// Of several files dropped at once, the first log counts; a drop without one changes nothing.
void MainWindow::openDroppedLog(HDROP dropped) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(dropped, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(dropped, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(dropped, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(system::utf8FromWide(path));
    }
    DragFinish(dropped);
    if (const auto log = firstLog(paths)) openLog(*log);
}

void MainWindow::cmdConvert_Click() {
    frontend::convertFiles(text(Control::txtInFile), text(Control::txtOutFile), *this);
}

void MainWindow::cmdInBrowse_Click() { chooseFile(frontend::kInputLogPick, Control::txtInFile); }

void MainWindow::cmdOutBrowse_Click() {
    chooseFile(frontend::kOutputFilePick, Control::txtOutFile);
}

void MainWindow::chooseFile(const frontend::FilePick& pick, Control pathBox) {
    try {
        RegistrySettings settings;
        if (const auto chosen = frontend::chooseFile(pick, ComDiag, settings)) {
            setText(pathBox, *chosen);
        }
    } catch (...) {
        // The dialog reports here; the window stays usable.
        showFailure(failureFromCurrentException());
    }
}

std::string MainWindow::text(Control box) const {
    return system::utf8FromWide(windowText(control(box)));
}

void MainWindow::setText(Control box, const std::string& text) {
    SetWindowTextW(control(box), wideFromUtf8(text).c_str());
}

void MainWindow::setBusyPointer(bool busy) {
    m_busy = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
    if (!busy) dropQueuedInput();
}

void MainWindow::setProgressMin(float min) {
    m_progressMin = min;
    showProgress();
}

void MainWindow::setProgressMax(float max) {
    m_progressMax = max;
    showProgress();
}

void MainWindow::setProgressValue(float value) {
    m_progressValue = value;
    showProgress();
    paintUncoveredParts();
}

// A long run takes no input, but now and then it paints what another window uncovered, and
// looking at the queue tells the desktop that the program is alive. Clicks and keys stay
// queued, to be dropped when the run ends.
void MainWindow::paintUncoveredParts() {
    const ULONGLONG now = GetTickCount64();
    if (now - m_lastPaint < frontend::kPaintIntervalMilliseconds) return;
    m_lastPaint = now;
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

// The run lets no message through, so each new position is drawn here and now. Styled
// progress bars glide forward over a few frames, driven by messages, but draw a step back at
// once; so the bar goes one step past the position and back.
void MainWindow::showProgress() {
    const int steps = frontend::progressSteps(m_progressMin, m_progressMax, m_progressValue);
    if (steps == m_drawnSteps) return;
    m_drawnSteps = steps;
    HWND bar = control(Control::ProgBar);
    if (steps < kProgressSteps) {
        SendMessageW(bar, PBM_SETPOS, steps + 1, 0);
        SendMessageW(bar, PBM_SETPOS, steps, 0);
    } else {
        SendMessageW(bar, PBM_SETRANGE32, 0, kProgressSteps + 1);
        SendMessageW(bar, PBM_SETPOS, kProgressSteps + 1, 0);
        SendMessageW(bar, PBM_SETPOS, kProgressSteps, 0);
        SendMessageW(bar, PBM_SETRANGE32, 0, kProgressSteps);
    }
    UpdateWindow(bar);
}

void MainWindow::showMessage(const std::string& text, MessageIcon icon) {
    // Keys pressed during the run must not answer the message box.
    dropQueuedInput();
    const UINT iconStyle = icon == MessageIcon::Exclamation ? MB_ICONEXCLAMATION : MB_ICONERROR;
    MessageBoxW(m_window, wideFromUtf8(text).c_str(),
                wideFromUtf8(frontend::kMessageCaption).c_str(), MB_OK | iconStyle);
}

void MainWindow::beep() { MessageBeep(MB_OK); }

// Clicks and keys that arrived while a run held the window are dropped, not replayed after it.
void MainWindow::dropQueuedInput() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (PeekMessageW(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
}

}  // namespace quillet::win32
