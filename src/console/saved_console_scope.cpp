#include "saved_console_scope.hpp"

namespace tavix::console {

namespace {

// Each part is put back on its own, so that one that fails does not keep back the others.
template <typename Step>
void TryToPutBack(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
        // Nothing better can be done from here: the caller may be unwinding already.
    }
}

}  // namespace

SavedConsoleScope::SavedConsoleScope(TextConsole& console)
    : console_(console), settings_(console.SaveState()) {}

SavedConsoleScope::SavedConsoleScope(TextConsole& console, const Rect& area)
    : SavedConsoleScope(console) {
    area_ = SavedArea{area, console.SaveArea(area.x1, area.y1, area.x2, area.y2)};
}

void SavedConsoleScope::KeepWholeConsole() {
    const SavedSize size{console_.Columns(), console_.Rows()};
    const Rect whole{1, 1, size.columns, size.rows};
    area_ = SavedArea{whole, console_.SaveArea(whole.x1, whole.y1, whole.x2, whole.y2)};
    size_ = size;
}

void SavedConsoleScope::Restore() noexcept {
    if (restored_) {
        return;
    }
    restored_ = true;
    if (size_) {
        TryToPutBack([&] { console_.Resize(size_->columns, size_->rows); });
    }
    if (area_) {
        const Rect& r = area_->rect;
        TryToPutBack([&] { console_.RestoreArea(r.x1, r.y1, r.x2, r.y2, area_->cells); });
    }
    TryToPutBack([&] { console_.RestoreState(settings_); });
}

}  // namespace tavix::console
