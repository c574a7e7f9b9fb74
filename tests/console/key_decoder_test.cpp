#include "console/key_decoder.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "console/code_page.hpp"

namespace tavix::console {
namespace {

using Kind = DecodeResult::Kind;

// Decodes bytes that have all arrived, as the terminal does once its wait is over.
std::vector<KeyCode> DecodeAll(std::string_view bytes,
                               const UpperHalfCharacters* upper_half = nullptr) {
    std::vector<KeyCode> decoded;
    while (!bytes.empty()) {
        const DecodeResult result = DecodeKey(bytes, false, upper_half);
        if (result.kind == Kind::kNeedMore || result.length == 0 || result.length > bytes.size()) {
            ADD_FAILURE() << "no progress on " << ::testing::PrintToString(std::string(bytes));
            break;
        }
        if (result.kind == Kind::kKey) {
            decoded.push_back(result.key);
        }
        bytes.remove_prefix(result.length);
    }
    return decoded;
}

// Decodes bytes that arrive in pieces of `piece` bytes, waiting for more while any are due.
std::vector<KeyCode> DecodeInPieces(std::string_view bytes, std::size_t piece) {
    std::vector<KeyCode> decoded;
    std::string pending;
    std::size_t fed = 0;
    while (fed < bytes.size() || !pending.empty()) {
        const bool more_may_come = fed < bytes.size();
        const DecodeResult result = DecodeKey(pending, more_may_come);
        if (result.kind == Kind::kNeedMore) {
            pending += bytes.substr(fed, piece);
            fed = std::min(bytes.size(), fed + piece);
            continue;
        }
        if (result.kind == Kind::kKey) {
            decoded.push_back(result.key);
        }
        pending.erase(0, result.length);
    }
    return decoded;
}

struct KeyCase {
    const char* name;
    std::string bytes;
    KeyCode key;
};

const std::vector<KeyCase>& SequenceCases() {
    static const std::vector<KeyCase> cases = {
        {"Up", "\x1b[A", keys::kUp},
        {"Down", "\x1b[B", keys::kDown},
        {"Right", "\x1b[C", keys::kRight},
        {"Left", "\x1b[D", keys::kLeft},
        {"Up SS3", "\x1bOA", keys::kUp},
        {"Down SS3", "\x1bOB", keys::kDown},
        {"Right SS3", "\x1bOC", keys::kRight},
        {"Left SS3", "\x1bOD", keys::kLeft},
        {"Home CSI H", "\x1b[H", keys::kHome},
        {"End CSI F", "\x1b[F", keys::kEnd},
        {"Home SS3", "\x1bOH", keys::kHome},
        {"End SS3", "\x1bOF", keys::kEnd},
        {"Home 1~", "\x1b[1~", keys::kHome},
        {"End 4~", "\x1b[4~", keys::kEnd},
        {"Home 7~", "\x1b[7~", keys::kHome},
        {"End 8~", "\x1b[8~", keys::kEnd},
        {"Insert", "\x1b[2~", keys::kInsert},
        {"Delete", "\x1b[3~", keys::kDelete},
        {"PageUp", "\x1b[5~", keys::kPageUp},
        {"PageDown", "\x1b[6~", keys::kPageDown},
        {"Shift+Tab", "\x1b[Z", keys::kShiftTab},
        {"F1 xterm", "\x1bOP", keys::kF1},
        {"F2 xterm", "\x1bOQ", keys::kF2},
        {"F3 xterm", "\x1bOR", keys::kF3},
        {"F4 xterm", "\x1bOS", keys::kF4},
        {"F1 rxvt", "\x1b[11~", keys::kF1},
        {"F2 rxvt", "\x1b[12~", keys::kF2},
        {"F3 rxvt", "\x1b[13~", keys::kF3},
        {"F4 rxvt", "\x1b[14~", keys::kF4},
        {"F5", "\x1b[15~", keys::kF5},
        {"F6", "\x1b[17~", keys::kF6},
        {"F7", "\x1b[18~", keys::kF7},
        {"F8", "\x1b[19~", keys::kF8},
        {"F9", "\x1b[20~", keys::kF9},
        {"F10", "\x1b[21~", keys::kF10},
        {"F11", "\x1b[23~", keys::kF11},
        {"F12", "\x1b[24~", keys::kF12},
        {"F1 linux", "\x1b[[A", keys::kF1},
        {"F2 linux", "\x1b[[B", keys::kF2},
        {"F3 linux", "\x1b[[C", keys::kF3},
        {"F4 linux", "\x1b[[D", keys::kF4},
        {"F5 linux", "\x1b[[E", keys::kF5},
        {"Ctrl+Up", "\x1b[1;5A", keys::kCtrlUp},
        {"Ctrl+Down", "\x1b[1;5B", keys::kCtrlDown},
        {"Ctrl+Right", "\x1b[1;5C", keys::kCtrlRight},
        {"Ctrl+Left", "\x1b[1;5D", keys::kCtrlLeft},
        {"Ctrl+Home", "\x1b[1;5H", keys::kCtrlHome},
        {"Ctrl+End", "\x1b[1;5F", keys::kCtrlEnd},
        {"Ctrl+Home 1~", "\x1b[1;5~", keys::kCtrlHome},
        {"Ctrl+End 4~", "\x1b[4;5~", keys::kCtrlEnd},
        {"Ctrl+PageUp", "\x1b[5;5~", keys::kCtrlPageUp},
        {"Ctrl+PageDown", "\x1b[6;5~", keys::kCtrlPageDown},
        {"Ctrl+Up SS3 modifier", "\x1bO5A", keys::kCtrlUp},
        {"Ctrl+Up rxvt", "\x1bOa", keys::kCtrlUp},
        {"Ctrl+Down rxvt", "\x1bOb", keys::kCtrlDown},
        {"Ctrl+Right rxvt", "\x1bOc", keys::kCtrlRight},
        {"Ctrl+Left rxvt", "\x1bOd", keys::kCtrlLeft},
        {"Ctrl+PageUp rxvt", "\x1b[5^", keys::kCtrlPageUp},
        {"Ctrl+PageDown rxvt", "\x1b[6^", keys::kCtrlPageDown},
        {"Ctrl+Home rxvt", "\x1b[7^", keys::kCtrlHome},
        {"Ctrl+End rxvt", "\x1b[8^", keys::kCtrlEnd},
        {"Up with plain modifier", "\x1b[1;1A", keys::kUp},
        {"keypad Enter", "\x1bOM", keys::kEnter},
        {"keypad 7", "\x1bOw", '7'},
        {"keypad minus", "\x1bOm", '-'},
    };
    return cases;
}

TEST(KeyDecoderSequences, EveryFormGivesItsKeyAndTakesExactlyItsBytes) {
    for (const KeyCase& c : SequenceCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeKey(c.bytes, true), (DecodeResult{Kind::kKey, c.bytes.size(), c.key}));
        EXPECT_EQ(DecodeKey(c.bytes + "x", true),
                  (DecodeResult{Kind::kKey, c.bytes.size(), c.key}));
    }
}

TEST(KeyDecoderSequences, EveryProperPrefixWaitsForMore) {
    for (const KeyCase& c : SequenceCases()) {
        SCOPED_TRACE(c.name);
        for (std::size_t length = 1; length < c.bytes.size(); ++length) {
            EXPECT_EQ(DecodeKey(std::string_view(c.bytes).substr(0, length), true).kind,
                      Kind::kNeedMore)
                << "after " << length << " bytes";
        }
    }
}

TEST(KeyDecoderSequences, ArrivingByteByByteGivesTheSameKeys) {
    std::string stream;
    std::vector<KeyCode> expected;
    for (const KeyCase& c : SequenceCases()) {
        stream += c.bytes;
        expected.push_back(c.key);
    }
    EXPECT_EQ(DecodeInPieces(stream, 1), expected);
    EXPECT_EQ(DecodeInPieces(stream, 3), expected);
    EXPECT_EQ(DecodeAll(stream), expected);
}

TEST(KeyDecoderCharacters, PrintableAsciiIsItself) {
    EXPECT_EQ(DecodeAll("aZ0 ~!"), (std::vector<KeyCode>{'a', 'Z', '0', ' ', '~', '!'}));
}

TEST(KeyDecoderCharacters, Utf8LettersBecomeCodePageBytes) {
    EXPECT_EQ(DecodeAll("\xC3\xA8"), std::vector<KeyCode>{232});                 // è
    EXPECT_EQ(DecodeAll("\xC3\xA0\xC3\xB9"), (std::vector<KeyCode>{224, 249}));  // à ù
    EXPECT_EQ(DecodeAll("\xC2\xA0"), std::vector<KeyCode>{160});                 // no-break space
    EXPECT_EQ(DecodeAll("\xC3\xBF"), std::vector<KeyCode>{255});                 // ÿ
    EXPECT_EQ(DecodeAll("\xE2\x82\xAC"), std::vector<KeyCode>{128});             // euro sign
    EXPECT_EQ(DecodeAll("\xE2\x80\x94"), std::vector<KeyCode>{151});             // em dash
}

TEST(KeyDecoderCharacters, AnUnfinishedCharacterWaitsThenIsDropped) {
    EXPECT_EQ(DecodeKey("\xC3", true).kind, Kind::kNeedMore);
    EXPECT_EQ(DecodeKey("\xE2\x82", true).kind, Kind::kNeedMore);
    EXPECT_EQ(DecodeKey("\xE2\x82", false), (DecodeResult{Kind::kDiscard, 2, 0}));
}

TEST(KeyDecoderControlBytes, AreTheirCodesWithBothBackspaces) {
    EXPECT_EQ(DecodeAll("\x7f"), std::vector<KeyCode>{keys::kBackspace});
    EXPECT_EQ(DecodeAll("\b"), std::vector<KeyCode>{keys::kBackspace});
    EXPECT_EQ(DecodeAll("\r"), std::vector<KeyCode>{keys::kEnter});
    EXPECT_EQ(DecodeAll("\n"), std::vector<KeyCode>{keys::kCtrlEnter});
    EXPECT_EQ(DecodeAll("\t"), std::vector<KeyCode>{keys::kTab});
    EXPECT_EQ(DecodeAll("\x13\x1a\x03\x01\x1f"),
              (std::vector<KeyCode>{keys::kCtrlS, keys::kCtrlZ, 3, 1, 31}));
    EXPECT_EQ(DecodeAll(std::string(1, '\0')), std::vector<KeyCode>{});
}

TEST(KeyDecoderEscape, ALoneEscWaitsAndThenIsEsc) {
    EXPECT_EQ(DecodeKey("\x1b", true).kind, Kind::kNeedMore);
    EXPECT_EQ(DecodeKey("\x1b", false), (DecodeResult{Kind::kKey, 1, keys::kEsc}));
}

// Keys typed quickly over a radio link or SSH arrive in one read: none may be lost.
TEST(KeyDecoderEscape, AnEscWithKeysRightBehindItIsEscThenThoseKeys) {
    EXPECT_EQ(DecodeKey("\x1bS", true), (DecodeResult{Kind::kKey, 1, keys::kEsc}));
    EXPECT_EQ(DecodeAll("\x1bSn"), (std::vector<KeyCode>{keys::kEsc, 'S', 'n'}));
    EXPECT_EQ(DecodeAll("\x1b\r"), (std::vector<KeyCode>{keys::kEsc, keys::kEnter}));
    EXPECT_EQ(DecodeAll("\x1b\xC3\xA8x"), (std::vector<KeyCode>{keys::kEsc, 0xE8, 'x'}));
}

// An 8-bit terminal's letters and signs are the keys their UTF-8 forms are; its control
// bytes (C1) and the bytes its set leaves empty are no keys.
TEST(KeyDecoderEightBit, EachByteOfTheSetIsTheKeyOfItsUtf8Form) {
    UpperHalfCharacters latin1{};
    for (std::size_t i = 0; i < latin1.size(); ++i) {
        latin1[i] = static_cast<char32_t>(0x80 + i);
    }
    for (unsigned byte = 0xA0; byte <= 0xFF; ++byte) {
        const std::string utf8{static_cast<char>(0xC0 | (byte >> 6)),
                               static_cast<char>(0x80 | (byte & 0x3F))};
        EXPECT_EQ(DecodeAll(std::string(1, static_cast<char>(byte)) + "x", &latin1),
                  DecodeAll(utf8 + "x"))
            << byte;
    }
    UpperHalfCharacters latin9 = latin1;
    latin9[0xA4 - 0x80] = U'\u20AC';
    latin9[0xA6 - 0x80] = U'\u0160';
    EXPECT_EQ(DecodeAll("\xA4\xA6\x9B\xF2", &latin9), (std::vector<KeyCode>{0x80, 0x8A, 0xF2}));
    const UpperHalfCharacters ascii{};
    EXPECT_EQ(DecodeAll("\xF2x", &ascii), std::vector<KeyCode>{'x'});
}

TEST(KeyDecoderEscape, EscPressedTwiceIsEscThenWhatFollows) {
    EXPECT_EQ(DecodeAll("\x1b\x1b[A"), (std::vector<KeyCode>{keys::kEsc, keys::kUp}));
    EXPECT_EQ(DecodeAll("\x1b\x1b"), (std::vector<KeyCode>{keys::kEsc, keys::kEsc}));
}

TEST(KeyDecoderDropped, KeysWithoutACodeLeaveNothingBehind) {
    const std::vector<KeyCase> cases = {
        {"unknown number", "\x1b[99~", 0},
        {"Shift+Up", "\x1b[1;2A", 0},
        {"Alt+Up", "\x1b[1;3A", 0},
        {"Ctrl+Alt+Up", "\x1b[1;7A", 0},
        {"Shift+F1", "\x1b[1;2P", 0},
        {"Ctrl+F1", "\x1b[1;5P", 0},
        {"Ctrl+Insert", "\x1b[2;5~", 0},
        {"Ctrl+F5", "\x1b[15;5~", 0},
        {"Shift+Up SS3", "\x1bO2A", 0},
        {"keypad 5", "\x1b[E", 0},
        {"ambiguous keypad comma", "\x1bOl", 0},
        {"rxvt Shift+Insert", "\x1b[2$", 0},
        {"rxvt Shift+Up", "\x1b[a", 0},
        {"mouse report", "\x1b[<0;10;5M", 0},
        {"private parameter", "\x1b[?1;2c", 0},
        {"focus in", "\x1b[I", 0},
        {"paste start", "\x1b[200~", 0},
        {"three parameters", "\x1b[1;5;5A", 0},
        {"intermediate byte", "\x1b[1 q", 0},
        {"huge parameter", "\x1b[99999999~", 0},
        {"unknown Linux key", "\x1b[[Z", 0},
        {"SS3 with two parameters", "\x1bO1;5A", 0},
        {"no code-page character", "\xE2\x9C\x93", 0},  // check mark
        {"C1 control as UTF-8", "\xC2\x85", 0},
        {"four-byte character", "\xF0\x9F\x98\x80", 0},
        {"stray continuation", "\x80", 0},
        {"overlong slash", "\xC0\xAF", 0},
        {"overlong three-byte", "\xE0\x80\xAF", 0},
        {"surrogate", "\xED\xA0\x80", 0},
        {"beyond Unicode", "\xF4\x90\x80\x80", 0},
        {"invalid lead", "\xFF", 0},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeAll(c.bytes + "x"), std::vector<KeyCode>{'x'});
        EXPECT_EQ(DecodeInPieces(c.bytes + "x", 1), std::vector<KeyCode>{'x'});
    }
}

TEST(KeyDecoderDropped, ABrokenSequenceGivesBackTheByteThatBrokeIt) {
    EXPECT_EQ(DecodeAll("\x1b[1;5\r"), std::vector<KeyCode>{keys::kEnter});
    EXPECT_EQ(DecodeAll("\x1b[\x7f"), std::vector<KeyCode>{keys::kBackspace});
    EXPECT_EQ(DecodeAll("\x1b[[\x1b[B"), std::vector<KeyCode>{keys::kDown});
    EXPECT_EQ(DecodeAll("\xC3\x1b[A"), std::vector<KeyCode>{keys::kUp});
    EXPECT_EQ(DecodeAll("\xE2\x82"
                        "a"),
              std::vector<KeyCode>{'a'});
}

TEST(KeyDecoderDropped, ASequenceCutShortIsDroppedOnceTheWaitIsOver) {
    EXPECT_EQ(DecodeKey("\x1b[", false), (DecodeResult{Kind::kDiscard, 2, 0}));
    EXPECT_EQ(DecodeKey("\x1bO", false), (DecodeResult{Kind::kDiscard, 2, 0}));
    EXPECT_EQ(DecodeKey("\x1b[1;5", false), (DecodeResult{Kind::kDiscard, 5, 0}));
    EXPECT_EQ(DecodeKey("\x1b[[", false), (DecodeResult{Kind::kDiscard, 3, 0}));
}

TEST(KeyDecoderDropped, AnEndlessSequenceStopsTheWait) {
    const std::string endless = "\x1b[" + std::string(40, '1');
    EXPECT_EQ(DecodeKey(endless, true), (DecodeResult{Kind::kDiscard, endless.size(), 0}));
}

// Every code a key could have: no decoded key may fall outside this vocabulary.
std::set<KeyCode> KeyVocabulary() {
    std::set<KeyCode> vocabulary;
    for (KeyCode control = 1; control < 32; ++control) {
        vocabulary.insert(control);
    }
    for (char32_t character = 0; character < 0x10000; ++character) {
        if (const auto byte = ByteOfCharacter(character)) {
            vocabulary.insert(*byte);
        }
    }
    for (const KeyCase& c : SequenceCases()) {
        vocabulary.insert(c.key);
    }
    return vocabulary;
}

TEST(KeyDecoderGarbage, RandomBytesAlwaysProgressAndGiveOnlyRealKeys) {
    const std::set<KeyCode> vocabulary = KeyVocabulary();
    std::mt19937 random(20240611);
    // Bytes that build sequences are favoured so that the parsers' corners are reached.
    const std::string favoured = "\x1b[O;15~^$A\xC3\xE2\xF0\x80\xBF";
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(random() % 24, '\0');
        for (char& byte : bytes) {
            byte = random() % 2 == 0 ? favoured[random() % favoured.size()]
                                     : static_cast<char>(random() % 256);
        }
        const std::vector<KeyCode> whole = DecodeAll(bytes);
        for (KeyCode key : whole) {
            ASSERT_TRUE(vocabulary.contains(key))
                << key << " from " << ::testing::PrintToString(bytes);
        }
        ASSERT_EQ(DecodeInPieces(bytes, 1 + random() % 4), whole)
            << ::testing::PrintToString(bytes);
    }
}

}  // namespace
}  // namespace tavix::console
