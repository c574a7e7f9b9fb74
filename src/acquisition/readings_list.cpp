#include "acquisition/readings_list.hpp"

#include <string>

#include "acquisition/list_line.hpp"
#include "console/key_handler_scope.hpp"
#include "console/saved_console_scope.hpp"
#include "screen_helpers/first_reading.hpp"
#include "screen_helpers/shared_state.hpp"

namespace tavix::acquisition {

namespace {

using console::DispatchId;

constexpr int kListColumn = 3;
constexpr int kListRow = 3;
constexpr int kListWidth = 21;
// The frame takes a column on either side.
constexpr std::size_t kLineWidth = kListWidth - 2;
constexpr int kListRows = 17;
constexpr std::int32_t kListId = 0;
const std::string kListTitle = "Record in memoria";
constexpr int kMostLines = 50;
const std::string kLineSeparator = "#";

const std::string kNoReadingsMessage = "Nessun record in archivio!";
const std::string kOkButton = "Ok";

void TellNoReadings() {
    console::TextConsole& console = screen_helpers::Console();
    console.MessageText = kNoReadingsMessage;
    console.MessageButtons = kOkButton;
    console.MessageChoice = 1;
    console.MessageBox(0);
}

// The list's readings are read at once, as the server holds them then; the browser, which
// shares the recordset, reads each again as it moves onto it.
class ReadAtOnce {
  public:
    explicit ReadAtOnce(store::Recordset& readings) : readings_(&readings) {
        readings.SetCacheSize(kMostLines);
    }
    ReadAtOnce(const ReadAtOnce&) = delete;
    ReadAtOnce& operator=(const ReadAtOnce&) = delete;
    ~ReadAtOnce() { readings_->SetCacheSize(1); }

  private:
    store::Recordset* readings_;
};

// The lines of the first readings from the current one on, in the current order.
std::string ListItemsFrom(store::Recordset& readings) {
    const ReadAtOnce read_at_once(readings);
    std::string items;
    for (int count = 0; !readings.Eof() && count < kMostLines; ++count) {
        if (!items.empty()) {
            items += kLineSeparator;
        }
        items += ListLine(readings, kLineWidth);
        readings.MoveNext();
    }
    return items;
}

void ShowList(const std::string& items) {
    console::TextConsole& console = screen_helpers::Console();
    console.ListWidth = kListWidth;
    console.ListRows = kListRows;
    console.Put(DispatchId::kListSetting66, 0);
    console.ListIndex = 1;
    console.Put(DispatchId::kListSetting67, false);
    console.ListItems = items;
    console.ListTitle = kListTitle;
    console.Put(DispatchId::kListSetting68, 0);
    console.Put(DispatchId::kListSetting40, "");
    console::WidgetKeys keys(console::WidgetKeys::Widget::kList, ListKey);
    const console::KeyHandlerScope scope(console, keys);
    console.ListBox(kListColumn, kListRow, kListId);
}

}  // namespace

// The list and the dialog give back the cells they covered; only the settings need saving.
void ShowReadingsList() {
    const console::SavedConsoleScope saved(screen_helpers::Console());
    store::Recordset& readings = screen_helpers::Readings();
    screen_helpers::MoveToFirstReading("readings list: moving to the first reading");
    if (readings.Eof()) {
        TellNoReadings();
    } else {
        ShowList(ListItemsFrom(readings));
    }
}

void ListKey(console::KeyCode& key, console::KeyAction& action, std::int32_t /*list_id*/) {
    namespace keys = console::keys;
    switch (key) {
        case keys::kEsc:
        case keys::kUp:
        case keys::kLeft:
        case keys::kRight:
        case keys::kDown:
            action = console::KeyAction::kConsole;
            break;
        default:
            // Enter included: the list is for looking only, no choice is taken from it.
            action = console::KeyAction::kEndNotAccepted;
            break;
    }
}

}  // namespace tavix::acquisition
