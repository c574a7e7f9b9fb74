#pragma once

#include <string>

#include "key_codes.hpp"

namespace tavix::console {

// What a field's picture lets the user type.
enum class Picture {
    kAny,       // any character of the code page
    kCapitals,  // "!": letters forced to capitals; the item separators # ~ | refused
    kDigits,    // "N": 0 to 9
    kDate,      // "D": dd/mm/yyyy, the slashes fixed
    kTime,      // "H": hh:nn:ss, the colons fixed
};

// The picture a FieldPicture text names; an empty or unknown one allows any character.
Picture PictureOf(const std::string& picture);

// The text of a running line editor and its cursor, without any drawing: every key that
// edits goes through Apply.
//
// The first character typed before any other key replaces the whole prefilled value, so
// that typing 5 over a field showing 1 gives 5. Date and time fields always hold their
// fixed form: typing overwrites digit places and the separators stay.
class LineEditor {
  public:
    LineEditor(const std::string& value, Picture picture, int max_length);

    // Applies an editing key (a character, Left, Right, Home, End, Backspace, Delete,
    // Insert). Returns false for a key the editor gives no meaning.
    bool Apply(KeyCode key);

    // The value was changed from outside: edit the new one, the cursor at its end.
    void Replace(const std::string& value);

    const std::string& Text() const { return text_; }
    int Cursor() const { return cursor_; }
    int MaxLength() const { return max_length_; }
    bool Overwrite() const { return overwrite_ || IsTemplate(); }

  private:
    bool IsTemplate() const { return picture_ == Picture::kDate || picture_ == Picture::kTime; }
    bool IsSeparatorPlace(int position) const;
    void TypeCharacter(unsigned char character);
    void TypeIntoTemplate(unsigned char character);
    void MoveLeft();
    void MoveRight();
    void EraseBefore();
    void EraseAt();
    void LoadValue(const std::string& value);

    Picture picture_;
    std::string pattern_;  // the fixed form of a date or time field, "" otherwise
    int max_length_;
    std::string text_;
    int cursor_ = 0;
    bool overwrite_ = false;
    bool pristine_ = true;
};

}  // namespace tavix::console
