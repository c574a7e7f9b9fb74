#include "store/postgres/reading_key.hpp"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "store/store_error.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::size_t kKeyBytes = 16;

std::array<std::uint8_t, kKeyBytes> RandomBytes() {
    std::array<std::uint8_t, kKeyBytes> bytes{};
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            throw StoreError(std::string("cannot choose a key for the new reading: ") +
                             std::strerror(errno));
        }
        filled += static_cast<std::size_t>(got);
    }
    return bytes;
}

}  // namespace

std::string NewReadingKey() {
    std::array<std::uint8_t, kKeyBytes> bytes = RandomBytes();
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0f) | 0x40);  // version 4: random
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3f) | 0x80);  // the RFC 4122 variant
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text.push_back('-');
        }
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0f]);
    }
    return text;
}

}  // namespace tavix::store::postgres
