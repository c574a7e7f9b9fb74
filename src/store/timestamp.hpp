#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavix::store {

// A local date and time to the second, as readings are stamped.
struct Timestamp {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // The local date and time now.
    static Timestamp Now();

    // A timestamp from its parts, or nothing when they do not form a real date and time
    // (31/02, 25:00:00, ...). Years 1 to 9999.
    static std::optional<Timestamp> FromParts(int year, int month, int day, int hour, int minute,
                                              int second);

    // SQLite's own form, "YYYY-MM-DD HH:MM:SS", which the database file keeps.
    std::string ToSqlText() const;
    static std::optional<Timestamp> FromSqlText(std::string_view text);
    // A DateTime as a file may hold it: SQLite's form, to which another tool may have added a
    // fraction of a second (".25"), cut off here. Nothing for any other text: a server's
    // timestamp column holds nothing else, so a file and a server take the same readings.
    static std::optional<Timestamp> FromStoredText(std::string_view text);

    friend bool operator==(const Timestamp&, const Timestamp&) = default;
    friend auto operator<=>(const Timestamp&, const Timestamp&) = default;
};

}  // namespace tavix::store
