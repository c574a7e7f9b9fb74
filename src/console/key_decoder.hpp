#pragma once

#include <array>
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

// What the bytes 0x80 to 0xFF stand for when a terminal's character set is an 8-bit one
// (0: no character).
using UpperHalfCharacters = std::array<char32_t, 128>;

// Decodes the first key in `pending`, the bytes read from a terminal and not decoded yet.
// Every terminal type gives the same key codes: the xterm, rxvt and Linux console forms of
// the same key are all in one table.
//
// `more_may_come` tells whether the caller is still willing to wait for bytes. When it is
// false the answer is never kNeedMore for non-empty input: an Esc with nothing after it is
// the Esc key, and a sequence cut short is dropped. A control sequence, a character or a
// modifier combination the console has no code for (Shift with an arrow, ...) is dropped
// whole, so that a key the console cannot decode never comes out as another key. An Esc
// followed by anything but a control sequence is the Esc key, and what follows it keys of
// their own: keys typed quickly arrive together, and the console has no Alt combinations.
//
// Bytes from 0x80 up are UTF-8, or the characters of `upper_half` when it is given.
DecodeResult DecodeKey(std::string_view pending, bool more_may_come,
                       const UpperHalfCharacters* upper_half = nullptr);

}  // namespace tavix::console
