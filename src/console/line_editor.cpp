#include "line_editor.hpp"

#include <algorithm>

namespace tavix::console {

namespace {

constexpr char kDatePattern[] = "  /  /    ";
constexpr char kTimePattern[] = "  :  :  ";

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Capitals of the code page's small letters, including the few outside Latin-1's block.
unsigned char Capital(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<unsigned char>(c - 32);
    }
    if (c >= 224 && c <= 254 && c != 247) {
        return static_cast<unsigned char>(c - 32);
    }
    switch (c) {
        case 154:  // s with caron
            return 138;
        case 156:  // oe
            return 140;
        case 158:  // z with caron
            return 142;
        case 255:  // y with diaeresis
            return 159;
        default:
            return c;
    }
}

bool Accepts(Picture picture, unsigned char c) {
    switch (picture) {
        case Picture::kCapitals:
            return c != '#' && c != '~' && c != '|';
        case Picture::kDigits:
        case Picture::kDate:
        case Picture::kTime:
            return IsDigit(c);
        case Picture::kAny:
            return true;
    }
    return false;
}

}  // namespace

Picture PictureOf(const std::string& picture) {
    if (picture.empty()) {
        return Picture::kAny;
    }
    switch (picture.front()) {
        case '!':
            return Picture::kCapitals;
        case 'N':
            return Picture::kDigits;
        case 'D':
            return Picture::kDate;
        case 'H':
            return Picture::kTime;
        default:
            return Picture::kAny;
    }
}

LineEditor::LineEditor(const std::string& value, Picture picture, int max_length)
    : picture_(picture),
      pattern_(picture == Picture::kDate   ? kDatePattern
               : picture == Picture::kTime ? kTimePattern
                                           : ""),
      max_length_(IsTemplate() ? static_cast<int>(pattern_.size()) : std::max(max_length, 0)) {
    LoadValue(value);
    cursor_ = 0;
}

void LineEditor::LoadValue(const std::string& value) {
    if (!IsTemplate()) {
        text_ = value.substr(0, static_cast<size_t>(max_length_));
        return;
    }
    // A value that does not have the fixed form starts the field blank.
    text_ = pattern_;
    if (value.size() != pattern_.size()) {
        return;
    }
    for (size_t i = 0; i < value.size(); ++i) {
        if (pattern_[i] == ' ' && IsDigit(static_cast<unsigned char>(value[i]))) {
            text_[i] = value[i];
        } else if (pattern_[i] != ' ' && value[i] != pattern_[i]) {
            text_ = pattern_;
            return;
        }
    }
}

void LineEditor::Replace(const std::string& value) {
    LoadValue(value);
    cursor_ = IsTemplate() ? 0 : static_cast<int>(text_.size());
    pristine_ = false;
}

bool LineEditor::IsSeparatorPlace(int position) const {
    return IsTemplate() && position >= 0 && position < static_cast<int>(pattern_.size()) &&
           pattern_[static_cast<size_t>(position)] != ' ';
}

bool LineEditor::Apply(KeyCode key) {
    if (IsTextKey(key)) {
        TypeCharacter(static_cast<unsigned char>(key));
        return true;
    }
    switch (key) {
        case keys::kLeft:
            MoveLeft();
            break;
        case keys::kRight:
            MoveRight();
            break;
        case keys::kHome:
            cursor_ = 0;
            break;
        case keys::kEnd:
            cursor_ = static_cast<int>(text_.size());
            break;
        case keys::kBackspace:
            EraseBefore();
            break;
        case keys::kDelete:
            EraseAt();
            break;
        case keys::kInsert:
            overwrite_ = !overwrite_;
            break;
        default:
            return false;
    }
    pristine_ = false;
    return true;
}

void LineEditor::TypeCharacter(unsigned char character) {
    if (!Accepts(picture_, character)) {
        return;
    }
    if (picture_ == Picture::kCapitals) {
        character = Capital(character);
    }
    if (IsTemplate()) {
        TypeIntoTemplate(character);
        return;
    }
    if (pristine_) {
        text_.clear();
        cursor_ = 0;
        pristine_ = false;
    }
    const auto at = static_cast<size_t>(cursor_);
    if (overwrite_ && at < text_.size()) {
        text_[at] = static_cast<char>(character);
    } else if (static_cast<int>(text_.size()) < max_length_) {
        text_.insert(at, 1, static_cast<char>(character));
    } else {
        return;  // the field is full
    }
    ++cursor_;
}

void LineEditor::TypeIntoTemplate(unsigned char character) {
    if (pristine_) {
        text_ = pattern_;
        cursor_ = 0;
        pristine_ = false;
    }
    while (IsSeparatorPlace(cursor_)) {
        ++cursor_;
    }
    if (cursor_ >= static_cast<int>(text_.size())) {
        return;
    }
    text_[static_cast<size_t>(cursor_)] = static_cast<char>(character);
    MoveRight();
}

void LineEditor::MoveLeft() {
    int position = cursor_ - 1;
    while (IsSeparatorPlace(position)) {
        --position;
    }
    if (position >= 0) {
        cursor_ = position;
    }
}

void LineEditor::MoveRight() {
    int position = cursor_ + 1;
    while (IsSeparatorPlace(position)) {
        ++position;
    }
    cursor_ = std::min(position, static_cast<int>(text_.size()));
}

void LineEditor::EraseBefore() {
    if (cursor_ == 0) {
        return;
    }
    if (IsTemplate()) {
        MoveLeft();
        EraseAt();
        return;
    }
    text_.erase(static_cast<size_t>(cursor_ - 1), 1);
    --cursor_;
}

void LineEditor::EraseAt() {
    if (cursor_ >= static_cast<int>(text_.size())) {
        return;
    }
    if (IsTemplate()) {
        if (!IsSeparatorPlace(cursor_)) {
            text_[static_cast<size_t>(cursor_)] = ' ';
        }
        return;
    }
    text_.erase(static_cast<size_t>(cursor_), 1);
}

}  // namespace tavix::console
