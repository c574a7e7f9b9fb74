#include "terminal_charset.hpp"

#include <iconv.h>
#include <langinfo.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cwchar>
#include <string_view>

#include "text/utf8.hpp"

namespace tavix::console {

namespace {

constexpr char kUnknownGlyph = '?';

// The letters U+00C0 to U+00FF without their accents, for sets that lack them (ASCII above
// all): "PERÒ" reads better as "PERO" than as "PER?".
constexpr std::string_view kLatin1BaseLetters =
    "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYPsaaaaaaaceeeeiiiidnooooo/ouuuuypy";
constexpr char32_t kFirstLatin1Letter = U'\u00C0';

bool LocaleIsUtf8() {
    const char* codeset = ::nl_langinfo(CODESET);
    return codeset != nullptr &&
           (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

// A byte an 8-bit terminal shows as a character: never a control code, C1 ones included (on
// a VT220, 0x9B starts a control sequence).
bool IsShownByte(unsigned char byte) {
    return (byte >= 0x20 && byte < 0x7F) || byte >= 0xA0;
}

// The locale's own byte for `glyph`, when it has one.
std::optional<char> LocaleByteOf(char32_t glyph) {
    std::array<char, MB_LEN_MAX> bytes{};
    std::mbstate_t state{};
    const std::size_t length = std::wcrtomb(bytes.data(), static_cast<wchar_t>(glyph), &state);
    if (length != 1 || !IsShownByte(static_cast<unsigned char>(bytes[0]))) {
        return std::nullopt;
    }
    return bytes[0];
}

// The C library's transliteration into the locale's set, where it gives one shown byte
// ('\u2019' as '\'', a dash as '-').
std::optional<char> TransliteratedByteOf(char32_t glyph) {
    const std::string target = std::string(::nl_langinfo(CODESET)) + "//TRANSLIT";
    iconv_t converter = ::iconv_open(target.c_str(), "WCHAR_T");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    auto wide = static_cast<wchar_t>(glyph);
    char* in = reinterpret_cast<char*>(&wide);
    std::size_t in_left = sizeof wide;
    std::array<char, 8> out{};
    char* out_at = out.data();
    std::size_t out_left = out.size();
    const std::size_t result = ::iconv(converter, &in, &in_left, &out_at, &out_left);
    ::iconv_close(converter);
    const bool one_byte = result != static_cast<std::size_t>(-1) && out_at == out.data() + 1;
    if (!one_byte || out[0] == kUnknownGlyph || !IsShownByte(static_cast<unsigned char>(out[0]))) {
        return std::nullopt;
    }
    return out[0];
}

std::optional<char> BaseLetterOf(char32_t glyph) {
    if (glyph < kFirstLatin1Letter || glyph - kFirstLatin1Letter >= kLatin1BaseLetters.size()) {
        return std::nullopt;
    }
    return kLatin1BaseLetters[glyph - kFirstLatin1Letter];
}

// What stands for a glyph the set does not have, in ASCII or the set's own bytes.
char LookAlikeOf(char32_t glyph) {
    if (const auto stand_in = LineDrawingSet::AsciiStandIn(glyph)) {
        return *stand_in;
    }
    if (const auto byte = TransliteratedByteOf(glyph)) {
        return *byte;
    }
    return BaseLetterOf(glyph).value_or(kUnknownGlyph);
}

// A glyph that takes exactly one cell of a UTF-8 terminal; anything else would shift the row.
char32_t OneCellGlyph(char32_t glyph) {
    return ::wcwidth(static_cast<wchar_t>(glyph)) == 1 ? glyph : U'?';
}

}  // namespace

TerminalCharset TerminalCharset::OfLocale(const LineDrawingSet& lines) {
    return TerminalCharset(LocaleIsUtf8(), lines);
}

const TerminalGlyph& TerminalCharset::Glyph(char32_t glyph) {
    auto found = glyphs_.find(glyph);
    if (found == glyphs_.end()) {
        found = glyphs_.emplace(glyph, GlyphOnTerminal(glyph)).first;
    }
    return found->second;
}

TerminalGlyph TerminalCharset::GlyphOnTerminal(char32_t glyph) const {
    if (glyph == 0) {
        glyph = U' ';
    }
    if (utf8_) {
        return TerminalGlyph{TextBytes(glyph), false};
    }
    if (const auto byte = LocaleByteOf(glyph)) {
        return TerminalGlyph{std::string(1, *byte), false};
    }
    if (const auto line = lines_.ByteOf(glyph)) {
        return TerminalGlyph{std::string(1, *line), true};
    }
    return TerminalGlyph{std::string(1, LookAlikeOf(glyph)), false};
}

std::string TerminalCharset::TextBytes(char32_t glyph) const {
    if (utf8_) {
        std::string bytes;
        text::AppendUtf8(bytes, OneCellGlyph(glyph));
        return bytes;
    }
    return std::string(1, LocaleByteOf(glyph).value_or(LookAlikeOf(glyph)));
}

std::optional<UpperHalfCharacters> TerminalCharset::TypedCharacters() const {
    if (utf8_) {
        return std::nullopt;
    }
    UpperHalfCharacters characters{};
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const char byte = static_cast<char>(0x80 + i);
        wchar_t wide = 0;
        std::mbstate_t state{};
        if (std::mbrtowc(&wide, &byte, 1, &state) == 1) {
            characters[i] = static_cast<char32_t>(wide);
        }
    }
    return characters;
}

}  // namespace tavix::console
