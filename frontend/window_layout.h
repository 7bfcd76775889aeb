#pragma once

#include <array>
#include <string>
#include <string_view>

#include "generated/quillet_version.h"

// The main window as every front end draws it: its caption, its client area and its controls,
// with positions and sizes in twips (1/1440 inch) from the client area's top left corner.
namespace quillet::frontend {

inline const std::string kWindowCaption = "Vantrel Log Converter v" + std::string(kVersion);
inline constexpr std::string_view kMessageCaption = "Quillet";
inline constexpr int kClientWidthTwips = 4980;
inline constexpr int kClientHeightTwips = 2370;

enum class ControlKind { Label, PathBox, Button, ProgressBar };

struct ControlLayout {
    std::string_view name;
    ControlKind kind;
    std::string_view caption;
    int left;
    int top;
    int width;
    int height;
};

// In tab order: the focus starts on "Convert" and moves through the boxes, then the "Browse"
// buttons. Labels and the progress bar never take the focus.
enum class Control {
    cmdConvert,
    txtInFile,
    txtOutFile,
    cmdInBrowse,
    cmdOutBrowse,
    Label1,
    Label2,
    ProgBar
};

inline constexpr std::array<ControlLayout, 8> kControls{{
    {"cmdConvert", ControlKind::Button, "Convert", 3885, 1770, 930, 330},
    {"txtInFile", ControlKind::PathBox, "", 180, 390, 3375, 300},
    {"txtOutFile", ControlKind::PathBox, "", 180, 1155, 3375, 300},
    {"cmdInBrowse", ControlKind::Button, "Browse", 3900, 390, 930, 330},
    {"cmdOutBrowse", ControlKind::Button, "Browse", 3900, 1125, 930, 330},
    {"Label1", ControlKind::Label, "Input Filename:", 180, 120, 2040, 255},
    {"Label2", ControlKind::Label, "Output Filename:", 180, 855, 1305, 255},
    {"ProgBar", ControlKind::ProgressBar, "", 180, 1800, 3375, 300},
}};

constexpr const ControlLayout& layoutOf(Control control) {
    return kControls[static_cast<int>(control)];
}

// Twips to pixels of a screen with the given dots per inch: 15 twips a pixel at 96 dpi.
constexpr int pixelsFromTwips(int twips, int dotsPerInch = 96) {
    return twips * dotsPerInch / 1440;
}

}  // namespace quillet::frontend
