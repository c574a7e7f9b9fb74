#include "demo/colour_demo.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

#include "console/colours.hpp"
#include "console/key_codes.hpp"
#include "demo/colour_names.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/text_layout.hpp"
#include "screen_helpers/work_area.hpp"

namespace tavix::demo {
namespace {

namespace colours = console::colours;
namespace keys = console::keys;

// The work area inside the outer frame.

constexpr int kLabelColour = colours::kWhite;
constexpr int kScreenBack = colours::kBlue;

constexpr const char* kSelectingLabel = "Seleziona: ";
constexpr const char* kForegroundMode = "P.Piano";
constexpr const char* kBackgroundMode = "Sfondo ";  // as long as "P.Piano"
constexpr int kModeColumn = 3;
constexpr int kModeRow = 2;

// Colour n stands on row kGridTop + n / 2, even numbers left, odd numbers right; the marker
// cell is just left of the swatch.
constexpr int kGridTop = 3;
constexpr int kEvenSwatchColumn = 3;
constexpr int kOddSwatchColumn = 14;
constexpr int kEvenMarkerColumn = 2;
constexpr int kOddMarkerColumn = 13;
const std::string kSwatch(8, ' ');
const std::string kMarker(1, '\x10');  // the right-pointing triangle
const std::string kNoMarker = " ";
constexpr int kMarkerColour = colours::kYellow;

constexpr const char* kForegroundLabel = "P.Piano:";
constexpr const char* kBackgroundLabel = "Sfondo:";
constexpr int kLabelColumn = 2;
constexpr int kForegroundRow = 12;
constexpr int kBackgroundRow = 13;
constexpr int kNameColumn = 11;
constexpr int kNameWidth = 12;
// A name in blue on the blue screen would vanish, so it goes on yellow instead.
constexpr int kHiddenNameColour = colours::kBlue;
constexpr int kHiddenNameBack = colours::kYellow;

constexpr const char* kSampleFirst = "TESTO  DI";
constexpr const char* kSampleSecond = "ESEMPIO";
constexpr int kSampleFirstRow = 15;
constexpr int kSampleSecondRow = 16;

constexpr const char* kSwitchHint = "F1 cambia selezione";
constexpr int kSwitchHintColumn = 3;
constexpr int kSwitchHintRow = 18;

constexpr int kFirstColour = 0;
constexpr int kLastColour = colours::kCount - 1;
constexpr int kStartForeground = colours::kWhite;
constexpr int kStartBackground = colours::kBlack;

struct Choice {
    int foreground = kStartForeground;
    int background = kStartBackground;
    bool selecting_background = false;
    int marked = 0;  // the colour whose marker is on the screen
};

int GridRow(int colour) {
    return kGridTop + colour / 2;
}

void ShowColourName(console::TextConsole& console, int colour, int row) {
    console.TextColor = colour;
    console.BackColor = kScreenBack;
    if (console.TextColor == kHiddenNameColour) {
        console.TextColor = kHiddenNameColour;
        console.BackColor = kHiddenNameBack;
    }
    console.PrintAt(kNameColumn, row, screen_helpers::PadText(ColourName(colour), kNameWidth, " "));
}

void DrawSetUp(console::TextConsole& console, const Choice& choice) {
    console.ClearArea(screen_helpers::kWorkLeft, screen_helpers::kWorkTop,
                      screen_helpers::kWorkRight, screen_helpers::kWorkBottom);
    console.CursorMode = 0;
    console.TextColor = kLabelColour;
    console.PrintAt(kLabelColumn, kForegroundRow, kForegroundLabel);
    console.PrintAt(kLabelColumn, kBackgroundRow, kBackgroundLabel);
    console.PrintAt(kSwitchHintColumn, kSwitchHintRow, kSwitchHint);
    for (int colour = kFirstColour; colour <= kLastColour; ++colour) {
        console.BackColor = colour;
        console.CursorX = colour % 2 == 0 ? kEvenSwatchColumn : kOddSwatchColumn;
        console.CursorY = GridRow(colour);
        console.Print(kSwatch);
    }
    console.BackColor = kScreenBack;
    ShowColourName(console, choice.foreground, kForegroundRow);
    ShowColourName(console, choice.background, kBackgroundRow);
}

void PrintMarker(console::TextConsole& console, int colour, const std::string& glyph) {
    console.CursorX = colour % 2 == 0 ? kEvenMarkerColumn : kOddMarkerColumn;
    console.CursorY = GridRow(colour);
    console.TextColor = kMarkerColour;
    console.BackColor = kScreenBack;
    console.Print(glyph);
}

void DrawChoice(console::TextConsole& console, Choice& choice, int current) {
    console.TextColor = kLabelColour;
    console.BackColor = kScreenBack;
    console.PrintAt(kModeColumn, kModeRow,
                    std::string(kSelectingLabel) +
                        (choice.selecting_background ? kBackgroundMode : kForegroundMode));
    PrintMarker(console, choice.marked, kNoMarker);
    PrintMarker(console, current, kMarker);
    choice.marked = current;
    ShowColourName(console, current, choice.selecting_background ? kBackgroundRow : kForegroundRow);
    console.TextColor = choice.foreground;
    console.BackColor = choice.background;
    console.PrintAt(screen_helpers::kWorkLeft, kSampleFirstRow,
                    screen_helpers::CentreText(kSampleFirst, screen_helpers::kWorkWidth));
    console.PrintAt(screen_helpers::kWorkLeft, kSampleSecondRow,
                    screen_helpers::CentreText(kSampleSecond, screen_helpers::kWorkWidth));
}

// Other keys are ignored without redrawing anything.
int ReadDemoKey(console::TextConsole& console) {
    for (;;) {
        const std::int16_t key = static_cast<std::int16_t>(console.GetKey());
        switch (key) {
            case keys::kEsc:
            case keys::kF1:
            case keys::kUp:
            case keys::kLeft:
            case keys::kRight:
            case keys::kDown:
                return key;
            default:
                break;
        }
    }
}

// The colour a move leads to, clamped to the palette: moves never wrap around.
int Moved(int current, int key) {
    int step = 0;
    switch (key) {
        case keys::kUp:
            step = -2;
            break;
        case keys::kLeft:
            step = -1;
            break;
        case keys::kRight:
            step = 1;
            break;
        case keys::kDown:
            step = 2;
            break;
        default:
            break;
    }
    return std::clamp(current + step, kFirstColour, kLastColour);
}

}  // namespace

void ColourDemo() {
    console::TextConsole& console = screen_helpers::Console();
    Choice choice;
    DrawSetUp(console, choice);
    for (;;) {
        int& chosen = choice.selecting_background ? choice.background : choice.foreground;
        DrawChoice(console, choice, chosen);
        const int key = ReadDemoKey(console);
        if (key == keys::kEsc) {
            console.TextColor = colours::kYellow;
            console.BackColor = colours::kBlue;
            return;
        }
        if (key == keys::kF1) {
            choice.selecting_background = !choice.selecting_background;
        } else {
            chosen = Moved(chosen, key);
        }
    }
}

}  // namespace tavix::demo
