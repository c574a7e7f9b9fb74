// Raw terminal bytes into DecodeKey: every answer makes progress within its input, gives only
// codes the console has, and does not depend on how the bytes were split into reads.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>

#include "console/code_page.hpp"
#include "console/key_decoder.hpp"
#include "fuzz_check.hpp"

namespace {

using tavix::console::DecodeKey;
using tavix::console::DecodeResult;
using tavix::console::KeyCode;
using tavix::fuzz::Require;
using Kind = DecodeResult::Kind;
namespace keys = tavix::console::keys;

// The decoder gives up on a sequence this long (it is garbage). How much of such garbage goes
// at once depends on how much of it had arrived: the one answer allowed to change later.
constexpr std::size_t kLongestSequence = 32;

// Prefixes longer than any sequence cannot change the answer.
constexpr std::size_t kLongestPrefix = kLongestSequence + 8;

std::set<KeyCode> KeyVocabulary() {
    std::set<KeyCode> vocabulary = {
        keys::kShiftTab, keys::kF1,       keys::kF2,         keys::kF3,           keys::kF4,
        keys::kF5,       keys::kF6,       keys::kF7,         keys::kF8,           keys::kF9,
        keys::kF10,      keys::kF11,      keys::kF12,        keys::kHome,         keys::kUp,
        keys::kPageUp,   keys::kLeft,     keys::kRight,      keys::kEnd,          keys::kDown,
        keys::kPageDown, keys::kInsert,   keys::kDelete,     keys::kCtrlLeft,     keys::kCtrlRight,
        keys::kCtrlEnd,  keys::kCtrlHome, keys::kCtrlPageUp, keys::kCtrlPageDown, keys::kCtrlUp,
        keys::kCtrlDown};
    for (KeyCode control = 1; control < 32; ++control) {
        vocabulary.insert(control);
    }
    for (char32_t character = 0; character <= 0x10FFFF; ++character) {
        if (const auto byte = tavix::console::ByteOfCharacter(character)) {
            vocabulary.insert(*byte);
        }
    }
    return vocabulary;
}

const std::set<KeyCode>& Vocabulary() {
    static const std::set<KeyCode> vocabulary = KeyVocabulary();
    return vocabulary;
}

// What holds of every single answer.
void CheckAnswer(const DecodeResult& result, std::string_view pending, bool more_may_come) {
    switch (result.kind) {
        case Kind::kNeedMore:
            Require(result.length == 0 && result.key == 0, "a wait for more consumes bytes");
            Require(more_may_come || pending.empty(),
                    "asks for more bytes when none can come: the input would stall");
            break;
        case Kind::kKey:
            Require(result.length >= 1 && result.length <= pending.size(),
                    "a key's length is outside the input");
            Require(Vocabulary().contains(result.key), "a key code the console does not have");
            break;
        case Kind::kDiscard:
            Require(result.length >= 1 && result.length <= pending.size(),
                    "a discard's length is outside the input");
            Require(result.key == 0, "a discard carries a key");
            break;
    }
}

bool DecidedAtTheLengthLimit(const DecodeResult& result) {
    return result.kind == Kind::kDiscard && result.length >= kLongestSequence;
}

// The answer for the bytes at the start of `rest`, against every way they may have arrived:
// once an arrived prefix has an answer, more bytes behind it must not change that answer.
std::size_t CheckKeyAt(std::string_view rest) {
    const DecodeResult waiting = DecodeKey(rest, true);
    const DecodeResult final_answer = DecodeKey(rest, false);
    CheckAnswer(waiting, rest, true);
    CheckAnswer(final_answer, rest, false);
    if (waiting.kind != Kind::kNeedMore) {
        Require(waiting == final_answer, "the answer changes when no more bytes can come");
    }
    for (std::size_t arrived = 1; arrived < rest.size() && arrived <= kLongestPrefix; ++arrived) {
        const std::string_view prefix = rest.substr(0, arrived);
        const DecodeResult early = DecodeKey(prefix, true);
        CheckAnswer(early, prefix, true);
        if (early.kind != Kind::kNeedMore && !DecidedAtTheLengthLimit(early)) {
            Require(early == waiting, "the answer depends on how the bytes were split in reads");
        }
    }
    return final_answer.length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    CheckAnswer(DecodeKey(std::string_view(), true), std::string_view(), true);
    while (!rest.empty()) {
        rest.remove_prefix(CheckKeyAt(rest));
    }
    return 0;
}
