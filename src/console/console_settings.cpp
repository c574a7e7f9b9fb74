#include "console_settings.hpp"

#include <stdexcept>

#include "saved_text.hpp"
#include "setting_table.hpp"

namespace tavix::console {

namespace {

constexpr std::string_view kTag = "console-state-1";

// Every member in one place, so that encoding and decoding cannot drift apart.
template <typename Settings, typename Visitor>
void VisitMembers(Settings& s, Visitor&& visit) {
    visit(s.TextColor);
    visit(s.BackColor);
    visit(s.Shadow);
    visit(s.CursorMode);
    visit(s.CursorX);
    visit(s.CursorY);
    visit(s.FieldValue);
    visit(s.FieldPicture);
    visit(s.FieldLength);
    visit(s.FieldWidth);
    visit(s.FieldSettingA);
    visit(s.FieldSettingB);
    visit(s.MenuItems);
    visit(s.MenuMask);
    visit(s.MenuIndex);
    visit(s.MessageText);
    visit(s.MessageButtons);
    visit(s.MessageChoice);
    visit(s.ListItems);
    visit(s.ListTitle);
    visit(s.ListRows);
    visit(s.ListWidth);
    visit(s.ListIndex);
    visit(s.TextBoxText);
    visit(s.TextBoxWidth);
    visit(s.TextBoxHeight);
}

struct MemberWriter {
    SavedTextWriter& out;
    void operator()(const int& value) { out.Number(value); }
    void operator()(const bool& value) { out.Number(value ? 1 : 0); }
    void operator()(const std::string& value) { out.Text(value); }
};

struct MemberReader {
    SavedTextReader& in;
    void operator()(int& value) { value = in.Int(); }
    void operator()(bool& value) { value = in.Int() != 0; }
    void operator()(std::string& value) { value = in.Text(); }
};

void WriteValue(SavedTextWriter& out, const SettingValue& value) {
    out.Number(static_cast<long long>(value.index()));
    std::visit(MemberWriter{out}, value);
}

SettingValue ReadValue(SavedTextReader& in) {
    switch (in.Int()) {
        case 0:
            return in.Int();
        case 1:
            return in.Int() != 0;
        case 2:
            return in.Text();
        default:
            throw std::invalid_argument("not a saved console text: bad setting kind");
    }
}

}  // namespace

SettingValue DefaultSetting(DispatchId id) {
    const SettingInfo* info = FindSetting(id);
    if (info == nullptr) {
        throw std::invalid_argument("the console has no setting with dispatch id " +
                                    std::to_string(static_cast<int>(id)));
    }
    return info->default_value;
}

std::string EncodeSettings(const ConsoleSettings& settings) {
    SavedTextWriter out(kTag);
    VisitMembers(settings, MemberWriter{out});
    out.Number(static_cast<long long>(settings.by_id.size()));
    for (const auto& [id, value] : settings.by_id) {
        out.Number(static_cast<int>(id));
        WriteValue(out, value);
    }
    return std::move(out).Finish();
}

ConsoleSettings DecodeSettings(const std::string& text) {
    SavedTextReader in(text, kTag);
    ConsoleSettings settings;
    VisitMembers(settings, MemberReader{in});
    const int count = in.Int();
    for (int i = 0; i < count; ++i) {
        const auto id = static_cast<DispatchId>(in.Int());
        if (FindSetting(id) == nullptr) {
            throw std::invalid_argument("not a saved console text: unknown setting");
        }
        settings.by_id[id] = ReadValue(in);
    }
    in.ExpectEnd();
    return settings;
}

}  // namespace tavix::console
