#pragma once

#include <cstddef>
#include <string_view>

#include "key_codes.hpp"

namespace tavix::console {

// What the bytes at the start of a terminal's input stand for.
struct DecodeResult {
    enum class Kind {
        kKey,       // the first `length` bytes are the key `key`
        kNeedMore,  // the bytes so far may be the start of a longer key: wait for more
        kDiscard,   // the first `length` bytes are no key the console has: drop them
    };

    Kind kind = Kind::kNeedMore;
    std::size_t length = 0;
    KeyCode key = 0;

    friend bool operator==(const DecodeResult&, const DecodeResult&) = default;
};

// Decodes the first key in `pending`, the bytes read from a terminal and not decoded yet.
// Every terminal type gives the same key codes: the xterm, rxvt and Linux console forms of
// the same key are all in one table.
//
// `more_may_come` tells whether the caller is still willing to wait for bytes. When it is
// false the answer is never kNeedMore for non-empty input: an Esc with nothing after it is
// the Esc key, and a sequence cut short is dropped. A sequence, a character or a modifier
// combination the console has no code for (Alt with any key, Shift with an arrow, ...) is
// dropped whole, so that a key the console cannot decode never comes out as another key.
DecodeResult DecodeKey(std::string_view pending, bool more_may_come);

}  // namespace tavix::console
