#include "flows.hpp"

#include <initializer_list>

namespace tavix::testing {

namespace {

namespace keys = console::keys;

const FlowKey kEsc = Named("Escape", keys::kEsc);
const FlowKey kEnter = Named("Enter", keys::kEnter);
const FlowKey kUp = Named("Up", keys::kUp);
const FlowKey kDown = Named("Down", keys::kDown);
const FlowKey kLeft = Named("Left", keys::kLeft);
const FlowKey kRight = Named("Right", keys::kRight);
const FlowKey kBackspace = Named("BSpace", keys::kBackspace);
const FlowKey kSpace = Named("Space", keys::kSpace);
const FlowKey kF1 = Named("F1", keys::kF1);
const FlowKey kF3 = Named("F3", keys::kF3);
const FlowKey kF5 = Named("F5", keys::kF5);

void Append(std::vector<FlowKey>& keys, const FlowKey& key) {
    keys.push_back(key);
}

void Append(std::vector<FlowKey>& keys, const char* text) {
    const std::vector<FlowKey> typed = Typed(text);
    keys.insert(keys.end(), typed.begin(), typed.end());
}

// Named keys and typed texts, in order.
template <typename... Parts>
std::vector<FlowKey> Keys(const Parts&... parts) {
    std::vector<FlowKey> keys;
    (Append(keys, parts), ...);
    return keys;
}

std::vector<FlowKey> Flow(std::initializer_list<std::vector<FlowKey>> parts) {
    std::vector<FlowKey> flow;
    for (const std::vector<FlowKey>& part : parts) {
        flow.insert(flow.end(), part.begin(), part.end());
    }
    return flow;
}

// The information screen, the splash, then the main menu.
std::vector<FlowKey> StartUp() {
    return Keys(kEsc, "x");
}

// From the main menu: the exit confirmation, answered yes.
std::vector<FlowKey> ConfirmedExit() {
    return Keys(kEsc, "S");
}

}  // namespace

std::vector<FlowKey> StartUpMenuAndDemonstrationsFlow() {
    return Flow({
        StartUp(),
        Keys(kDown, kEsc, "N"),                      // the exit confirmation after Esc, refused
        Keys(kEnter, kF1, kSpace, "!", kBackspace),  // the key code viewer
        Keys(kUp, kEnter, kEsc),
        Keys("o", kRight, kUp, kUp, kUp, kUp, kUp, kUp, kUp),  // the colour demonstration
        Keys(kF1, kRight, kDown, kDown, kLeft, kEsc),
        Keys("e", "n"),  // the exit item, refused
        ConfirmedExit(),
    });
}

const std::vector<SeedReading>& ArchiveReadings() {
    static const std::vector<SeedReading> readings = {
        {"BBB", 2, "3", "2025-12-06 07:05:09"},
        {"DDD", 1.5, "1", "2025-12-24 18:30:00"},
        {"AAA", 12, "2", "2026-01-09 14:03:07"},
        {"CCC", 4, "1", "2026-02-01 00:00:00"},
    };
    return readings;
}

std::vector<FlowKey> AcquisitionListAndArchiveFlow() {
    return Flow({
        StartUp(),
        Keys("i", kEnter),                        // the terminal prompt, the entry screen
        Keys("x9", kEnter, "5", kEnter),          // a reading stored
        Keys("z", kDown, kF1, "3", kUp),          // another, its quantity typed anew
        Keys("q", kF1, kF5),                      // the readings list
        Keys(kDown, kDown, kUp, kEnter),          // back at the terminal prompt
        Keys("2", kEnter, kF3),                   // another terminal, the archive browser
        Keys(kRight, kRight, kLeft),              // stepping
        Keys("q", kBackspace, "7", kEnter),       // a quantity edited
        Keys("c", kBackspace, "e", kEnter),       // a code edited
        Keys("t", kEsc),                          // an edit given up
        Keys(kBackspace, kRight, kEnter),         // a deletion refused
        Keys(kBackspace, kEnter),                 // and one confirmed
        Keys(kF3, "ccc", kEnter, kRight, kLeft),  // a search that finds, in code order
        Keys(kF3, "nope", kEnter),                // and one that does not
        Keys(kEsc),                               // the terminal prompt
        Keys(kEsc, "N", kEsc, "S"),               // the end of the readings, refused, confirmed
        ConfirmedExit(),
    });
}

std::vector<FlowKey> EmptyArchiveAndBlankInputFlow() {
    return Flow({
        StartUp(),
        Keys("i", kEnter),               // the entry screen
        Keys(kF3, kEnter, kEnter),       // no readings to browse, the terminal prompt again
        Keys(kF5, kEnter, kEnter),       // none to list either
        Keys(" ", kEnter),               // a blank code is not taken
        Keys("a", kEnter, kEsc),         // a quantity given up
        Keys("b", kEnter, kF1, kEnter),  // a blank quantity is not taken
        Keys(kF5, kEnter),               // the list from the quantity field: the code field
        Keys(kEsc, kEsc, "S"),           // the main menu
        ConfirmedExit(),
    });
}

}  // namespace tavix::testing
