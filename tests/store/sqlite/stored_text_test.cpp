#include <string>

#include "readings_file.hpp"
#include "store/readings_table.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;

// The program's texts are single bytes of its code page; the file holds UTF-8, as every other
// program reading it expects. Texts that are not UTF-8 (older files, other tools) still come
// back, and are found, byte for byte.
class StoredTextTest : public OpenReadingsFile {
  protected:
    std::string StoredHex(const std::string& where) {
        return SqliteFile(path_).Text("SELECT hex(code) FROM Readings WHERE " + where);
    }

    // Another program's row; code is SQL (a literal in UTF-8, or a cast of raw bytes).
    void InsertByOtherProgram(const std::string& code_sql, const std::string& terminal = "9") {
        ASSERT_EQ(SqliteFile(path_).Execute("INSERT INTO Readings (code, terminal) VALUES (" +
                                            code_sql + ", '" + terminal + "')"),
                  SQLITE_OK);
    }

    Value ShownCodeOfTerminal(const std::string& terminal) {
        for (readings_.MoveFirst(); !readings_.Eof(); readings_.MoveNext()) {
            if (readings_.Fields(table::kTerminal) == Value(terminal)) {
                return readings_.Fields(table::kCode);
            }
        }
        return std::monostate{};
    }
};

TEST_F(StoredTextTest, TypedLettersAreStoredAsUtf8AndReadBackInTheCodePage) {
    const std::string pero = "PER\xD2";  // PERÒ as typed: Ò is byte 0xD2
    AddReading(readings_, pero);
    EXPECT_EQ(StoredHex("1"), "504552C392");
    EXPECT_EQ(SqliteFile(path_).Text("SELECT code = 'PERÒ' FROM Readings"), "1");
    readings_.MoveFirst();
    EXPECT_EQ(readings_.Fields(table::kCode), Value(pero));
}

TEST_F(StoredTextTest, EveryByteOfTheCodePageSurvivesTheRoundTrip) {
    std::string all_bytes;
    for (int byte = 1; byte < 256; ++byte) {
        all_bytes.push_back(static_cast<char>(byte));
    }
    AddReading(readings_, all_bytes, Value("\x80 \x9F"));  // the euro sign and Ÿ
    SqliteFile other(path_);
    EXPECT_EQ(other.Text("SELECT terminal FROM Readings"), "€ Ÿ");
    EXPECT_EQ(other.Text("SELECT hex(substr(code, 128, 3)) FROM Readings"), "E282ACC281E2809A")
        << "0x80 is the euro sign, 0x81 has no character of its own, 0x82 is a low quote";
    readings_.MoveFirst();
    EXPECT_EQ(readings_.Fields(table::kCode), Value(all_bytes));
    EXPECT_EQ(readings_.Fields(table::kTerminal), Value("\x80 \x9F"));
}

TEST_F(StoredTextTest, AnotherProgramsUtf8IsShownAndFoundAsTyped) {
    InsertByOtherProgram("'CAFÉ'");
    EXPECT_EQ(ShownCodeOfTerminal("9"), Value("CAF\xC9"));
    AddReading(readings_, "ZZZ");
    readings_.SetIndex(table::kCodeIndex);
    readings_.MoveLast();
    readings_.Seek("=", Value("CAF\xC9"));
    ASSERT_FALSE(readings_.NoMatch());
    EXPECT_EQ(readings_.Fields(table::kTerminal), Value("9"));
}

TEST_F(StoredTextTest, TextThatIsNotUtf8IsShownAndFoundByteForByte) {
    InsertByOtherProgram("CAST(X'434146C9' AS TEXT)", "old");  // CAFÉ as an older file holds it
    InsertByOtherProgram("CAST(X'C3' AS TEXT)", "cut");        // a UTF-8 sequence cut short
    EXPECT_EQ(ShownCodeOfTerminal("old"), Value("CAF\xC9"));
    EXPECT_EQ(ShownCodeOfTerminal("cut"), Value("\xC3"));
    readings_.SetIndex(table::kCodeIndex);
    readings_.Seek("=", Value("CAF\xC9"));
    ASSERT_FALSE(readings_.NoMatch());
    EXPECT_EQ(readings_.Fields(table::kTerminal), Value("old"));
    readings_.Seek("=", Value("\xC3"));
    ASSERT_FALSE(readings_.NoMatch());
    EXPECT_EQ(readings_.Fields(table::kTerminal), Value("cut"));

    // Both forms of one code: the first of them in code order, as for any equal codes.
    InsertByOtherProgram("'CAFÉ'", "new");  // C3 89 sorts before C9
    readings_.Seek("=", Value("CAF\xC9"));
    EXPECT_EQ(readings_.Fields(table::kTerminal), Value("new"));
    readings_.MoveNext();
    EXPECT_EQ(readings_.Fields(table::kTerminal), Value("old"));
}

TEST_F(StoredTextTest, TextThatIsUtf8OnlyByChanceIsNotFoundByItsBytes) {
    // "Ã‰" typed in the code page is the bytes C3 89, which are also the UTF-8 form of É. A
    // stored C3 89 shows as É, so a search for "Ã‰" must not land on it.
    InsertByOtherProgram("'É'");
    readings_.SetIndex(table::kCodeIndex);
    readings_.Seek("=", Value("\xC3\x89"));
    EXPECT_TRUE(readings_.NoMatch());
    readings_.Seek("=", Value("\xC9"));
    EXPECT_FALSE(readings_.NoMatch());
}

TEST_F(StoredTextTest, CharactersTheCodePageLacksShowAsAQuestionMarkAndSurviveARewrite) {
    InsertByOtherProgram("'ŁÓDŹ'");  // Ł and Ź are not in the code page, Ó is
    const Value shown = ShownCodeOfTerminal("9");
    EXPECT_EQ(shown, Value("?\xD3"
                           "D?"));
    const std::string stored = StoredHex("terminal = '9'");

    // Writing back what was shown changes nothing stored.
    readings_.Edit();
    readings_.SetField(table::kCode, shown);
    readings_.SetField(table::kQuantity, 5.0);
    readings_.Update();
    EXPECT_EQ(StoredHex("terminal = '9'"), stored);
    EXPECT_EQ(SqliteFile(path_).Number("SELECT qt FROM Readings WHERE terminal = '9'"), 5);

    // A changed text is the text the operator typed, question marks and all.
    readings_.Edit();
    readings_.SetField(table::kCode,
                       "?\xD3"
                       "DZ");
    readings_.Update();
    EXPECT_EQ(SqliteFile(path_).Text("SELECT code FROM Readings WHERE terminal = '9'"), "?ÓDZ");
}

TEST_F(StoredTextTest, TextsOfOlderFilesAreKeptByARewriteAndConvertedByAChange) {
    InsertByOtherProgram("CAST(X'434146C9' AS TEXT)");
    const Value shown = ShownCodeOfTerminal("9");
    readings_.Edit();
    readings_.SetField(table::kCode, shown);
    readings_.Update();
    EXPECT_EQ(StoredHex("1"), "434146C9");
    readings_.Edit();
    readings_.SetField(table::kCode,
                       "CAF\xC9"
                       "2");
    readings_.Update();
    EXPECT_EQ(StoredHex("1"), "434146C38932");
}

}  // namespace
}  // namespace tavix::store
