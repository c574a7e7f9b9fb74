// CentreText, PadText and WrapText on any text and width: a width they refuse throws
// std::invalid_argument and nothing else; any other width gives the layout they promise.

#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz_check.hpp"
#include "screen_helpers/text_layout.hpp"

namespace {

using tavix::fuzz::Fail;
using tavix::fuzz::Require;

// A valid width gives a text that long (or a row that long per carriage return), so widths
// stay within what memory allows; the refused ones include the extremes.
constexpr int kWidestRow = 400;

int ChooseWidth(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 7)) {
        case 0:
            return INT_MIN;
        case 1:
            return input.ConsumeIntegralInRange(INT_MIN, -1);
        case 2:
            return 0;
        default:
            return input.ConsumeIntegralInRange(-2, kWidestRow);
    }
}

// Runs one call that the width or pad makes invalid: it must throw std::invalid_argument.
// Anything else it throws escapes to libFuzzer, which reports it.
template <typename Call>
void RequireRefusal(Call&& call, const char* what) {
    try {
        call();
    } catch (const std::invalid_argument&) {
        return;
    }
    Fail(what);
}

void CheckCentreText(const std::string& text, int width) {
    if (static_cast<long long>(width) < static_cast<long long>(text.size())) {
        RequireRefusal([&] { tavix::screen_helpers::CentreText(text, width); },
                       "CentreText accepted a text longer than its width");
        return;
    }
    const std::string centred = tavix::screen_helpers::CentreText(text, width);
    const std::size_t spare = static_cast<std::size_t>(width) - text.size();
    const std::size_t left = spare / 2;
    Require(centred.size() == static_cast<std::size_t>(width), "CentreText: wrong length");
    Require(centred.compare(left, text.size(), text) == 0, "CentreText: text not centred");
    Require(centred.find_first_not_of(' ') >= left &&
                centred.find_first_not_of(' ', left + text.size()) == std::string::npos,
            "CentreText: the margins are not spaces");
}

void CheckPadText(const std::string& text, int width, const std::string& pad) {
    if (pad.empty() || width < 0) {
        RequireRefusal([&] { tavix::screen_helpers::PadText(text, width, pad); },
                       "PadText accepted an empty pad or a negative width");
        return;
    }
    const std::string padded = tavix::screen_helpers::PadText(text, width, pad);
    const auto size = static_cast<std::size_t>(width);
    Require(padded.size() == size, "PadText: wrong length");
    if (size <= text.size()) {
        Require(padded == text.substr(0, size), "PadText: not the start of the text");
    } else {
        Require(padded.compare(0, text.size(), text) == 0 &&
                    padded.find_first_not_of(pad.front(), text.size()) == std::string::npos,
                "PadText: not the text followed by the pad character");
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\r';
}

// The words of a text: runs of characters that are neither spaces nor carriage returns.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (IsBlank(c)) {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

void CheckWrapText(const std::string& text, int width) {
    if (width < 1) {
        RequireRefusal([&] { tavix::screen_helpers::WrapText(text, width); },
                       "WrapText accepted a width less than 1");
        return;
    }
    const std::string wrapped = tavix::screen_helpers::WrapText(text, width);
    const auto row_width = static_cast<std::size_t>(width);
    Require(wrapped.find('\r') == std::string::npos, "WrapText: a carriage return is left");
    // Every row but the last is full; a row starts with its first word unless it is empty.
    std::vector<std::string> row_words;
    for (std::size_t start = 0; start < wrapped.size(); start += row_width) {
        const std::string row = wrapped.substr(start, row_width);
        Require(row[0] != ' ' || row.find_first_not_of(' ') == std::string::npos,
                "WrapText: a row starts with a space");
        for (std::string& word : Words(row)) {
            row_words.push_back(std::move(word));
        }
    }
    // Nothing is lost, doubled or reordered, and only words longer than a row are cut, into
    // pieces a row long.
    std::vector<std::string> expected;
    for (const std::string& word : Words(text)) {
        for (std::size_t start = 0; start < word.size(); start += row_width) {
            expected.push_back(word.substr(start, row_width));
        }
    }
    Require(row_words == expected,
            "WrapText: the words are not the text's, cut only when too long");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const int width = ChooseWidth(input);
    const std::string pad = input.ConsumeRandomLengthString(4);
    const std::string text = input.ConsumeRemainingBytesAsString();
    CheckCentreText(text, width);
    CheckPadText(text, width, pad);
    CheckWrapText(text, width);
    return 0;
}
