// The main window's layout, for any toolkit that draws it: title, client size, each control's place in twips,
// colours, fonts by role, the names a screen reader announces and the order Tab walks.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace quorrix::layout
{

inline constexpr std::string_view Title = "Mirelda Ver1.10";

// A rectangle in twips, from the client area's top left corner.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The client area, in twips; the window is fixed at this size.
inline constexpr int ClientWidth = 10350;
inline constexpr int ClientHeight = 5325;

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};
inline constexpr Rgb Background { 192, 192, 192 };

// Which font a control draws its text in.
enum class FontRole {
    System, // the system's own font for messages and controls
    Table, // TableFont
};

struct Font {
    // Asked for in this order: the first is the design's, the others the monospaced Japanese gothics that stand in
    // for it where it is not installed.
    std::array<std::string_view, 4> families;
    int points = 0;
};
inline constexpr Font TableFont { { "ＭＳ ゴシック", "IPAGothic", "VL Gothic", "Noto Sans Mono CJK JP" }, 9 };

// The controls of the window; Count says how many there are.
enum class Control { Drive1, Dir1, File1, GRD1, Count };

struct ControlLayout {
    Control control;
    std::string_view name; // the object name, as the design spells the member
    Rect twips;
    FontRole font;
    std::string_view accessibleName; // what a screen reader announces; empty for a control never shown
    bool shown;
};

// Every control, the shown ones in the order Tab walks them. File1 is never shown and takes no focus.
inline constexpr std::array<ControlLayout, static_cast<std::size_t>(Control::Count)> Controls { {
    { Control::Drive1, "Drive1", { 120, 120, 1815, 300 }, FontRole::System, "ドライブ", true },
    { Control::Dir1, "Dir1", { 2040, 120, 8175, 1140 }, FontRole::System, "フォルダ", true },
    { Control::GRD1, "GRD1", { 120, 1440, 10095, 3850 }, FontRole::Table, "ファイル一覧", true },
    { Control::File1, "File1", { 5880, 120, 1935, 270 }, FontRole::System, "", false },
} };

// The layout of `control`.
const ControlLayout &controlLayout(Control control);

// `twips` as pixels at `dpi` dots per inch, rounded to the nearest: 1440 twips to the inch, 15 to a pixel at 96.
int toPixels(int twips, int dpi);

} // namespace quorrix::layout
