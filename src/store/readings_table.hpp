#pragma once

namespace tavix::store::readings_table {

// The names of the readings table as the schema creates them: the table, its columns and the
// index on code. SQL matches them without regard to case; the program spells them like this.
inline constexpr char kTable[] = "Readings";
inline constexpr char kId[] = "id";
inline constexpr char kCode[] = "code";
inline constexpr char kQuantity[] = "qt";
inline constexpr char kTerminal[] = "terminal";
inline constexpr char kDateTime[] = "DateTime";
inline constexpr char kCodeIndex[] = "Code";

}  // namespace tavix::store::readings_table
