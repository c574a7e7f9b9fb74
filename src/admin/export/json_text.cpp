#include "json_text.hpp"

#include "text/utf8.hpp"

namespace tavix::admin {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendEscapedAscii(std::string& out, char c) {
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
        out += "\\u00";
        out += kHexDigits[(c >> 4) & 0xF];
        out += kHexDigits[c & 0xF];
    } else {
        out += c;
    }
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            AppendEscapedAscii(out, text[at]);
            ++at;
            continue;
        }
        const std::size_t length = text::Utf8SequenceLength(text, at);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    out += '"';
}

}  // namespace tavix::admin
