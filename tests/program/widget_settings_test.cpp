#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "demo/info_screen.hpp"
#include "program/main_menu.hpp"
#include "support/program/program_harness.hpp"

namespace tavix::program {
namespace {

namespace keys = console::keys;

// Every widget a screen runs, with the settings put by dispatch id since the widget before:
// "EditField: 35=0 36=0 37=false".
class PutLog : public console::PutObserver {
  public:
    void SettingPut(console::DispatchId id, const console::SettingValue& value) override {
        puts_ += " " + std::to_string(static_cast<int>(id)) + "=";
        if (const bool* flag = std::get_if<bool>(&value)) {
            puts_ += *flag ? "true" : "false";
        } else if (const int* number = std::get_if<int>(&value)) {
            puts_ += std::to_string(*number);
        } else {
            puts_ += "'" + std::get<std::string>(value) + "'";
        }
    }
    void WidgetStarts(std::string_view widget) override {
        calls.push_back(std::string(widget) + ":" + puts_);
        puts_.clear();
    }

    std::vector<std::string> calls;

  private:
    std::string puts_;
};

struct Expected {
    std::string call;
    bool ordered = true;  // false where the order of the puts is free
};

// The words of a call, sorted where their order is free.
std::vector<std::string> Words(const std::string& call, bool ordered) {
    std::istringstream in(call);
    std::vector<std::string> words(std::istream_iterator<std::string>(in), {});
    if (!ordered) {
        std::sort(words.begin(), words.end());
    }
    return words;
}

// The colour scheme, as the archive browser puts it again on entry.
const std::string kColourScheme =
    " 8=14 11=1 74=7 9=15 10=0 75=1 60=1 12=7 42=0 43=7 50=14 51=1 48=4 49=15 58=14 57=0 56=14"
    " 13=12 14=7 17=0 18=7 22=14 23=1 73=14 72=14";
const std::string kMainMenu = "Menu: 19=2 41=18 20=21 46=true";
const std::string kBThenA = "EditField: 36=0 35=0";  // FieldSettingB, then FieldSettingA
const std::string kEntryField = "EditField: 35=0 36=0 37=false";
const std::string kQuestion = "ShowMessage: 15=2";

// The walk below, widget by widget, with the key that ends each.
const std::vector<Expected> kWalk = {
    {"TextBox: 39=0"},                      // information screen: Esc
    {kMainMenu},                            // Enter on "Inizia"
    {"EditField: 46=false 36=0 35=0"},      // the item accepted; terminal prompt: Enter
    {kEntryField},                          // code: "A", Enter
    {kEntryField},                          // quantity: Enter, the reading is stored
    {kEntryField},                          // code: F5
    {"ListBox: 66=0 67=false 68=0 40=''"},  // readings list: Esc
    {kBThenA},                              // terminal prompt: Enter
    {kEntryField},                          // code: F3
    {"Menu:" + kColourScheme},              // archive browser: Enter on "Codice:"
    {"EditField: 35=0 36=0", false},        // the code's editor: Esc
    {"Menu:"},                              // F3
    {kBThenA},                              // search by code: Esc
    {"Menu:"},                              // BkSp
    {"MessageBox:"},                        // "Cancello il record?": Esc
    {"Menu:"},                              // Esc
    {kBThenA},                              // terminal prompt: Esc
    {kQuestion},                            // "Fine letture (S/N)?": S
    {kMainMenu},                            // Esc
    {kQuestion},                            // "Confermi uscita (S/N)?": S
};

// The settings a screen puts before a widget are its contract with the console; most of them
// change nothing on screen, so only this record notices one dropped or put out of order.
TEST(WidgetSettingsTest, EachScreenPutsItsSettingsBeforeEachWidgetInOrder) {
    testing::ProgramHarness program;
    PutLog log;
    program.Console().SetPutObserver(&log);
    program.Terminal().Key(keys::kEsc);
    demo::ShowInfoScreen();
    console::ScriptedTerminal& terminal = program.Terminal();
    terminal.Keys({keys::kEnter, keys::kEnter, 'A', keys::kEnter, keys::kEnter});
    terminal.Keys({keys::kF5, keys::kEsc, keys::kEnter, keys::kF3});
    terminal.Keys({keys::kEnter, keys::kEsc, keys::kF3, keys::kEsc, keys::kBackspace, keys::kEsc});
    terminal.Keys({keys::kEsc, keys::kEsc, 'S', keys::kEsc, 'S'});
    RunMainMenu();
    program.Console().SetPutObserver(nullptr);

    EXPECT_EQ(log.calls.size(), kWalk.size());
    for (size_t i = 0; i < std::min(kWalk.size(), log.calls.size()); ++i) {
        EXPECT_EQ(Words(log.calls[i], kWalk[i].ordered), Words(kWalk[i].call, kWalk[i].ordered))
            << "widget " << i + 1 << ": " << log.calls[i];
    }
    EXPECT_EQ(program.StoredReadings().size(), 1u);  // the walk reached every screen it meant to
}

}  // namespace
}  // namespace tavix::program
