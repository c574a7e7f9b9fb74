#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <string>

#include "text/utf8.hpp"
#include "text/windows_1252.hpp"

namespace tavix::text {
namespace {

// The C library's own converter for the code page, to check the table against.
std::optional<std::string> SystemUtf8Of(unsigned char byte) {
    const iconv_t converter = iconv_open("UTF-8", "WINDOWS-1252");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "the C library has no WINDOWS-1252 converter";
        return std::nullopt;
    }
    char in[1] = {static_cast<char>(byte)};
    char out[8] = {};
    char* in_ptr = in;
    char* out_ptr = out;
    std::size_t in_left = 1;
    std::size_t out_left = sizeof out;
    const std::size_t result = iconv(converter, &in_ptr, &in_left, &out_ptr, &out_left);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    return std::string(out, out_ptr);
}

TEST(CodePageTest, EveryByteMeansWhatTheSystemsConverterSaysAndUndefinedOnesAreC1Codes) {
    int undefined = 0;
    for (int value = 0; value < 256; ++value) {
        const auto byte = static_cast<unsigned char>(value);
        const std::optional<std::string> expected = SystemUtf8Of(byte);
        std::string ours;
        AppendUtf8(ours, CharacterOfByte(byte));
        if (expected) {
            EXPECT_EQ(ours, *expected) << "byte " << value;
            EXPECT_FALSE(IsUndefinedByte(byte)) << "byte " << value;
        } else {
            ++undefined;
            EXPECT_TRUE(IsUndefinedByte(byte)) << "byte " << value;
            EXPECT_EQ(CharacterOfByte(byte), static_cast<char32_t>(value));
        }
        EXPECT_EQ(ByteOfCharacter(CharacterOfByte(byte)), byte) << "byte " << value;
    }
    EXPECT_EQ(undefined, 5);
}

TEST(Utf8Test, DecodesWellFormedTextAndRefusesEveryMalformedShape) {
    EXPECT_EQ(DecodeUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              std::u32string(U"a\u00E9\u20AC\U0001F600"));
    EXPECT_EQ(DecodeUtf8(""), std::u32string());
    for (const char* bad : {
             "\x80",              // a continuation byte on its own
             "\xC3",              // cut short
             "\xC3\x28",          // not followed by a continuation byte
             "\xC0\xAF",          // overlong "/"
             "\xE0\x80\xAF",      // overlong "/" in three bytes
             "\xED\xA0\x80",      // a surrogate
             "\xF4\x90\x80\x80",  // past U+10FFFF
             "\xFF",
         }) {
        EXPECT_FALSE(DecodeUtf8(bad)) << bad;
    }
}

}  // namespace
}  // namespace tavix::text
