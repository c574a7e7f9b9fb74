#include "console/line_editor.hpp"

#include <gtest/gtest.h>

namespace tavix::console {
namespace {

LineEditor Typed(const std::string& value, Picture picture, int length,
                 std::initializer_list<KeyCode> keys) {
    LineEditor editor(value, picture, length);
    for (KeyCode key : keys) {
        editor.Apply(key);
    }
    return editor;
}

TEST(LineEditorTest, FirstCharacterReplacesThePrefilledValue) {
    EXPECT_EQ(Typed("1", Picture::kDigits, 6, {'5'}).Text(), "5");
    EXPECT_EQ(Typed("123", Picture::kDigits, 6, {'4', '5'}).Text(), "45");
}

TEST(LineEditorTest, AnyMovementFirstKeepsTheValueAndInserts) {
    EXPECT_EQ(Typed("1", Picture::kDigits, 6, {keys::kEnd, '5'}).Text(), "15");
    EXPECT_EQ(Typed("1", Picture::kDigits, 6, {keys::kRight, keys::kLeft, '5'}).Text(), "51");
    EXPECT_EQ(Typed("abc", Picture::kAny, 6, {keys::kDelete, 'x'}).Text(), "xbc");
}

TEST(LineEditorTest, EditingKeysWorkAsPeopleExpect) {
    EXPECT_EQ(Typed("abcd", Picture::kAny, 9, {keys::kEnd, keys::kBackspace}).Text(), "abc");
    EXPECT_EQ(Typed("abcd", Picture::kAny, 9, {keys::kHome, keys::kDelete}).Text(), "bcd");
    EXPECT_EQ(Typed("abcd", Picture::kAny, 9, {keys::kHome, keys::kBackspace}).Text(), "abcd");
    EXPECT_EQ(Typed("abcd", Picture::kAny, 9, {keys::kEnd, keys::kDelete}).Text(), "abcd");
    EXPECT_EQ(Typed("abcd", Picture::kAny, 9, {keys::kRight, keys::kInsert, 'X', 'Y'}).Text(),
              "aXYd");
    EXPECT_EQ(Typed("ab", Picture::kAny, 9, {keys::kEnd, keys::kInsert, 'X', 'Y'}).Text(), "abXY");
}

TEST(LineEditorTest, TheFieldLengthIsNeverExceeded) {
    const LineEditor editor = Typed("", Picture::kAny, 3, {'a', 'b', 'c', 'd', keys::kHome, 'e'});
    EXPECT_EQ(editor.Text(), "abc");
    EXPECT_EQ(LineEditor("abcdef", Picture::kAny, 4).Text(), "abcd");
}

TEST(LineEditorTest, CursorStaysWithinTheText) {
    LineEditor editor("ab", Picture::kAny, 5);
    editor.Apply(keys::kLeft);
    EXPECT_EQ(editor.Cursor(), 0);
    for (int i = 0; i < 5; ++i) {
        editor.Apply(keys::kRight);
    }
    EXPECT_EQ(editor.Cursor(), 2);
}

TEST(LineEditorTest, CapitalsPictureRaisesLettersAndRefusesItemSeparators) {
    EXPECT_EQ(Typed("", Picture::kCapitals, 18, {'a', 'b', '1', '-', 0xE8, 0xFF}).Text(),
              "AB1-\xC8\x9F");
    EXPECT_EQ(Typed("", Picture::kCapitals, 18, {'a', '#', '~', '|', 'b'}).Text(), "AB");
}

TEST(LineEditorTest, DigitsPictureTakesDigitsOnly) {
    EXPECT_EQ(Typed("", Picture::kDigits, 6, {'1', 'a', '.', '-', ' ', '2'}).Text(), "12");
}

TEST(LineEditorTest, NonTextKeysAreNotEditingKeys) {
    LineEditor editor("x", Picture::kAny, 5);
    EXPECT_FALSE(editor.Apply(keys::kF1));
    EXPECT_FALSE(editor.Apply(keys::kUp));
    EXPECT_FALSE(editor.Apply(keys::kEnter));
    EXPECT_EQ(editor.Text(), "x");
}

TEST(LineEditorTest, DateFieldKeepsItsSlashes) {
    EXPECT_EQ(
        Typed("06/12/2026", Picture::kDate, 10, {'2', '4', '1', '2', '2', '0', '2', '6'}).Text(),
        "24/12/2026");
    EXPECT_EQ(Typed("06/12/2026", Picture::kDate, 10, {'2'}).Text(), "2 /  /    ");
    EXPECT_EQ(Typed("06/12/2026", Picture::kDate, 10, {keys::kRight, keys::kRight, '9'}).Text(),
              "06/92/2026");
    EXPECT_EQ(Typed("06/12/2026", Picture::kDate, 10, {keys::kEnd, keys::kBackspace}).Text(),
              "06/12/202 ");
    EXPECT_EQ(Typed("06/12/2026", Picture::kDate, 10, {keys::kHome, keys::kDelete, '/'}).Text(),
              " 6/12/2026");
}

TEST(LineEditorTest, TimeFieldKeepsItsColonsAndStopsAtTheEnd) {
    EXPECT_EQ(Typed("07:05:09", Picture::kTime, 8, {'1', '8', '3', '0', '0', '0', '1'}).Text(),
              "18:30:00");
    EXPECT_EQ(LineEditor("7:5:9", Picture::kTime, 8).Text(), "  :  :  ");
    EXPECT_EQ(LineEditor("07-05-09", Picture::kTime, 8).Text(), "  :  :  ");
}

TEST(LineEditorTest, ReplaceLoadsTheNewValueWithTheCursorAtItsEnd) {
    LineEditor editor("abc", Picture::kAny, 10);
    editor.Replace("");
    EXPECT_EQ(editor.Text(), "");
    editor.Apply('z');
    editor.Replace("12");
    editor.Apply('3');
    EXPECT_EQ(editor.Text(), "123");
}

}  // namespace
}  // namespace tavix::console
