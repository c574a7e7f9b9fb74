#include "key_decoder.hpp"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "code_page.hpp"

namespace tavix::console {

namespace {

constexpr unsigned char kEscByte = 0x1B;
constexpr unsigned char kDelByte = 0x7F;

// No key a terminal sends is this long. A run of parameter bytes that reaches it is garbage,
// and waiting for its end would let the garbage hold the keyboard.
constexpr std::size_t kMaxSequenceLength = 32;

// The modifier parameter of the xterm forms (ESC [1;5A): 1 plus the sum of shift 1, alt 2,
// ctrl 4, meta 8. Only Ctrl alone has codes of its own.
constexpr int kPlainModifier = 1;
constexpr int kCtrlModifier = 5;

// A key's sequence after the ESC that starts it.
struct Sequence {
    std::string_view bytes;
    KeyCode key;
};

constexpr std::array kSequences = {
    // Cursor keys, normal (CSI) and application (SS3) mode.
    Sequence{"[A", keys::kUp},
    Sequence{"[B", keys::kDown},
    Sequence{"[C", keys::kRight},
    Sequence{"[D", keys::kLeft},
    Sequence{"[H", keys::kHome},
    Sequence{"[F", keys::kEnd},
    Sequence{"OA", keys::kUp},
    Sequence{"OB", keys::kDown},
    Sequence{"OC", keys::kRight},
    Sequence{"OD", keys::kLeft},
    Sequence{"OH", keys::kHome},
    Sequence{"OF", keys::kEnd},
    // The editing keys: VT220 numbering, and the rxvt Home/End (7, 8).
    Sequence{"[1~", keys::kHome},
    Sequence{"[2~", keys::kInsert},
    Sequence{"[3~", keys::kDelete},
    Sequence{"[4~", keys::kEnd},
    Sequence{"[5~", keys::kPageUp},
    Sequence{"[6~", keys::kPageDown},
    Sequence{"[7~", keys::kHome},
    Sequence{"[8~", keys::kEnd},
    Sequence{"[Z", keys::kShiftTab},
    // Function keys: xterm F1-F4, the VT220 numbers (rxvt sends F1-F4 as 11-14 too), and
    // the Linux console's F1-F5.
    Sequence{"OP", keys::kF1},
    Sequence{"OQ", keys::kF2},
    Sequence{"OR", keys::kF3},
    Sequence{"OS", keys::kF4},
    Sequence{"[11~", keys::kF1},
    Sequence{"[12~", keys::kF2},
    Sequence{"[13~", keys::kF3},
    Sequence{"[14~", keys::kF4},
    Sequence{"[15~", keys::kF5},
    Sequence{"[17~", keys::kF6},
    Sequence{"[18~", keys::kF7},
    Sequence{"[19~", keys::kF8},
    Sequence{"[20~", keys::kF9},
    Sequence{"[21~", keys::kF10},
    Sequence{"[23~", keys::kF11},
    Sequence{"[24~", keys::kF12},
    Sequence{"[[A", keys::kF1},
    Sequence{"[[B", keys::kF2},
    Sequence{"[[C", keys::kF3},
    Sequence{"[[D", keys::kF4},
    Sequence{"[[E", keys::kF5},
    // rxvt's own Ctrl forms.
    Sequence{"Oa", keys::kCtrlUp},
    Sequence{"Ob", keys::kCtrlDown},
    Sequence{"Oc", keys::kCtrlRight},
    Sequence{"Od", keys::kCtrlLeft},
    Sequence{"[5^", keys::kCtrlPageUp},
    Sequence{"[6^", keys::kCtrlPageDown},
    Sequence{"[7^", keys::kCtrlHome},
    Sequence{"[8^", keys::kCtrlEnd},
    // The keypad in application mode, left on by another program. "Ol" is missing on
    // purpose: it is ',' on some terminals and '+' on others.
    Sequence{"OM", keys::kEnter},
    Sequence{"Oj", '*'},
    Sequence{"Ok", '+'},
    Sequence{"Om", '-'},
    Sequence{"On", '.'},
    Sequence{"Oo", '/'},
    Sequence{"Op", '0'},
    Sequence{"Oq", '1'},
    Sequence{"Or", '2'},
    Sequence{"Os", '3'},
    Sequence{"Ot", '4'},
    Sequence{"Ou", '5'},
    Sequence{"Ov", '6'},
    Sequence{"Ow", '7'},
    Sequence{"Ox", '8'},
    Sequence{"Oy", '9'},
};

struct CtrlForm {
    KeyCode key;
    KeyCode with_ctrl;
};

constexpr std::array kCtrlForms = {
    CtrlForm{keys::kUp, keys::kCtrlUp},         CtrlForm{keys::kDown, keys::kCtrlDown},
    CtrlForm{keys::kLeft, keys::kCtrlLeft},     CtrlForm{keys::kRight, keys::kCtrlRight},
    CtrlForm{keys::kHome, keys::kCtrlHome},     CtrlForm{keys::kEnd, keys::kCtrlEnd},
    CtrlForm{keys::kPageUp, keys::kCtrlPageUp}, CtrlForm{keys::kPageDown, keys::kCtrlPageDown},
};

DecodeResult Key(KeyCode key, std::size_t length) {
    return {DecodeResult::Kind::kKey, length, key};
}
DecodeResult Discard(std::size_t length) {
    return {DecodeResult::Kind::kDiscard, length, 0};
}
DecodeResult NeedMore() {
    return {DecodeResult::Kind::kNeedMore, 0, 0};
}

// Bytes that end here may still grow into a key; once nothing more can come they are
// dropped.
DecodeResult Unfinished(std::size_t length, bool more_may_come) {
    return more_may_come ? NeedMore() : Discard(length);
}

DecodeResult KeyOrDiscard(std::optional<KeyCode> key, std::size_t length) {
    return key ? Key(*key, length) : Discard(length);
}

std::optional<KeyCode> FindSequence(std::string_view bytes) {
    for (const Sequence& sequence : kSequences) {
        if (sequence.bytes == bytes) {
            return sequence.key;
        }
    }
    return std::nullopt;
}

std::optional<KeyCode> WithModifier(std::optional<KeyCode> key, int modifier) {
    if (!key || modifier == kPlainModifier) {
        return key;
    }
    if (modifier != kCtrlModifier) {
        return std::nullopt;
    }
    for (const CtrlForm& form : kCtrlForms) {
        if (form.key == *key) {
            return form.with_ctrl;
        }
    }
    return std::nullopt;
}

// A finished control sequence, split at its parts: ESC, introducer, parameters, final byte.
struct ControlSequence {
    char introducer;  // '[' for CSI, 'O' for SS3
    std::string_view parameters;
    std::string_view intermediates;
    char final_byte;
};

// The numbers of "1;5"; an empty field is the default, 1. Private parameters ('<', '?',
// ...) and more than two fields belong to no key.
std::optional<std::vector<int>> ParseParameters(std::string_view text) {
    constexpr std::size_t kMaxDigits = 4;
    std::vector<int> numbers;
    if (text.empty()) {
        return numbers;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        const std::string_view field = text.substr(start, end - start);
        if (field.size() > kMaxDigits || numbers.size() == 2) {
            return std::nullopt;
        }
        int number = field.empty() ? 1 : 0;
        for (char digit : field) {
            if (digit < '0' || digit > '9') {
                return std::nullopt;
            }
            number = number * 10 + (digit - '0');
        }
        numbers.push_back(number);
        if (end == text.size()) {
            return numbers;
        }
        start = end + 1;
    }
}

// "[", the number and the final byte, as the table spells a numbered CSI key.
std::string NumberedKey(int number, char final_byte) {
    std::string key = "[";
    key += std::to_string(number);
    key += final_byte;
    return key;
}

std::optional<KeyCode> KeyOfSequence(const ControlSequence& sequence) {
    if (!sequence.intermediates.empty()) {
        return std::nullopt;
    }
    const auto numbers = ParseParameters(sequence.parameters);
    if (!numbers) {
        return std::nullopt;
    }
    const std::string introducer(1, sequence.introducer);
    const std::string final_byte(1, sequence.final_byte);
    if (numbers->empty()) {
        return FindSequence(introducer + final_byte);
    }
    const int first = numbers->front();
    if (sequence.introducer == 'O') {
        // Some terminals put the modifier straight after SS3: ESC O 5 A.
        return numbers->size() == 1 ? WithModifier(FindSequence("O" + final_byte), first)
                                    : std::nullopt;
    }
    if (numbers->size() == 1) {
        return FindSequence(NumberedKey(first, sequence.final_byte));
    }
    const int modifier = numbers->back();
    if (sequence.final_byte == '~') {
        return WithModifier(FindSequence(NumberedKey(first, '~')), modifier);
    }
    if (first != 1) {
        return std::nullopt;
    }
    // ESC [1;5A: the letter keys, whose plain form may be CSI (arrows) or SS3 (F1-F4).
    auto plain = FindSequence("[" + final_byte);
    return WithModifier(plain ? plain : FindSequence("O" + final_byte), modifier);
}

bool IsParameterByte(unsigned char byte) {
    return byte >= 0x30 && byte <= 0x3F;
}
bool IsIntermediateByte(unsigned char byte) {
    return byte >= 0x20 && byte <= 0x2F;
}
bool IsFinalByte(unsigned char byte) {
    return byte >= 0x40 && byte <= 0x7E;
}

// ESC [ [ A: the Linux console's F1 to F5.
DecodeResult DecodeLinuxFunctionKey(std::string_view pending, bool more_may_come) {
    constexpr std::size_t kLength = 4;
    if (pending.size() < kLength) {
        return Unfinished(pending.size(), more_may_come);
    }
    if (!IsFinalByte(static_cast<unsigned char>(pending[3]))) {
        return Discard(kLength - 1);
    }
    return KeyOrDiscard(FindSequence(pending.substr(1, kLength - 1)), kLength);
}

// pending starts with ESC [ or ESC O.
DecodeResult DecodeControlSequence(std::string_view pending, bool more_may_come) {
    const char introducer = pending[1];
    if (introducer == '[' && pending.size() > 2 && pending[2] == '[') {
        return DecodeLinuxFunctionKey(pending, more_may_come);
    }
    std::size_t parameters_end = 0;
    for (std::size_t i = 2; i < pending.size(); ++i) {
        const auto byte = static_cast<unsigned char>(pending[i]);
        if (IsParameterByte(byte) && parameters_end == 0) {
            continue;
        }
        if (parameters_end == 0) {
            parameters_end = i;
        }
        // rxvt ends its Shift forms with '$' (ESC [2$), a byte that is otherwise an
        // intermediate; taking it as the end keeps the key that follows from being eaten.
        const bool rxvt_end = byte == '$' && introducer == '[' && i == parameters_end;
        if (IsFinalByte(byte) || rxvt_end) {
            const ControlSequence sequence{introducer, pending.substr(2, parameters_end - 2),
                                           pending.substr(parameters_end, i - parameters_end),
                                           static_cast<char>(byte)};
            return KeyOrDiscard(KeyOfSequence(sequence), i + 1);
        }
        if (!IsIntermediateByte(byte)) {
            // A control byte or a stray byte breaks the sequence off; that byte is
            // decoded on its own.
            return Discard(i);
        }
    }
    if (pending.size() >= kMaxSequenceLength) {
        return Discard(pending.size());
    }
    return Unfinished(pending.size(), more_may_come);
}

DecodeResult DecodeEscape(std::string_view pending, bool more_may_come) {
    if (pending.size() == 1) {
        return more_may_come ? NeedMore() : Key(keys::kEsc, 1);
    }
    if (pending[1] == '[' || pending[1] == 'O') {
        return DecodeControlSequence(pending, more_may_come);
    }
    // Anything else came typed right after the Esc, over a link that delivers keys in batches.
    return Key(keys::kEsc, 1);
}

// The shape of a UTF-8 character from its first byte: its length, the payload bits of the
// first byte, and the range its second byte must fall in to refuse overlong forms,
// surrogates and code points beyond U+10FFFF.
struct Utf8Lead {
    std::size_t length = 0;
    char32_t bits = 0;
    unsigned char second_low = 0x80;
    unsigned char second_high = 0xBF;
};

std::optional<Utf8Lead> Utf8LeadOf(unsigned char byte) {
    if (byte >= 0xC2 && byte <= 0xDF) {
        return Utf8Lead{2, byte & 0x1Fu};
    }
    if (byte >= 0xE0 && byte <= 0xEF) {
        return Utf8Lead{3, byte & 0x0Fu, static_cast<unsigned char>(byte == 0xE0 ? 0xA0 : 0x80),
                        static_cast<unsigned char>(byte == 0xED ? 0x9F : 0xBF)};
    }
    if (byte >= 0xF0 && byte <= 0xF4) {
        return Utf8Lead{4, byte & 0x07u, static_cast<unsigned char>(byte == 0xF0 ? 0x90 : 0x80),
                        static_cast<unsigned char>(byte == 0xF4 ? 0x8F : 0xBF)};
    }
    return std::nullopt;
}

DecodeResult DecodeUtf8(std::string_view pending, bool more_may_come) {
    const auto lead = Utf8LeadOf(static_cast<unsigned char>(pending[0]));
    if (!lead) {
        return Discard(1);
    }
    char32_t code_point = lead->bits;
    unsigned char low = lead->second_low;
    unsigned char high = lead->second_high;
    for (std::size_t i = 1; i < lead->length; ++i) {
        if (i >= pending.size()) {
            return Unfinished(i, more_may_come);
        }
        const auto byte = static_cast<unsigned char>(pending[i]);
        if (byte < low || byte > high) {
            // Only the broken part goes; the byte that broke it may start a key.
            return Discard(i);
        }
        code_point = (code_point << 6) | (byte & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    const auto byte = ByteOfCharacter(code_point);
    return byte ? Key(*byte, lead->length) : Discard(lead->length);
}

DecodeResult DecodeUpperHalfByte(unsigned char byte, const UpperHalfCharacters& upper_half) {
    const char32_t character = upper_half[byte - 0x80u];
    if (character == 0) {
        return Discard(1);
    }
    return KeyOrDiscard(ByteOfCharacter(character), 1);
}

DecodeResult DecodeControlByte(unsigned char byte) {
    // NUL (Ctrl+Space) has no code: 0 is no key in the program's vocabulary.
    if (byte == 0) {
        return Discard(1);
    }
    // Terminals disagree on Backspace (DEL or BS); the program knows only 8.
    if (byte == kDelByte || byte == '\b') {
        return Key(keys::kBackspace, 1);
    }
    return Key(byte, 1);
}

}  // namespace

DecodeResult DecodeKey(std::string_view pending, bool more_may_come,
                       const UpperHalfCharacters* upper_half) {
    if (pending.empty()) {
        return NeedMore();
    }
    const auto first = static_cast<unsigned char>(pending[0]);
    if (first == kEscByte) {
        return DecodeEscape(pending, more_may_come);
    }
    if (first < 0x20 || first == kDelByte) {
        return DecodeControlByte(first);
    }
    if (first < 0x80) {
        return KeyOrDiscard(ByteOfCharacter(first), 1);
    }
    if (upper_half != nullptr) {
        return DecodeUpperHalfByte(first, *upper_half);
    }
    return DecodeUtf8(pending, more_may_come);
}

}  // namespace tavix::console
