// An SQLite file holds any value in any column: terminals stored as numbers, texts that are not
// UTF-8, blobs, dates that are not dates. The formats write each as it is stored.

#include <gtest/gtest.h>

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class ExportStoredTypesTest : public AdminStoreTest {};

TEST_F(ExportStoredTypesTest, EachValueIsWrittenAsTheTypeItIsStoredAs) {
    Sql("INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('a', 1, 6.0, '2024-05-01 10:00:00'), "
        "(CAST(x'41FF42' AS TEXT), NULL, 7, 'not a date'), "
        "('c', 2, '7', 45000.5)");
    EXPECT_EQ(Export({}),
              "id,code,qt,terminal,DateTime\r\n"
              "1,a,1,6,2024-05-01 10:00:00\r\n"
              "2,A\xFF"
              "B,,7,not a date\r\n"
              "3,c,2,7,45000.5\r\n");
    EXPECT_EQ(Export({"--format", "jsonl"}),
              R"({"id":1,"code":"a","qt":1,"terminal":6,"DateTime":"2024-05-01 10:00:00"})"
              "\n"
              R"({"id":2,"code":"A\ufffdB","qt":null,"terminal":7,"DateTime":"not a date"})"
              "\n"
              R"({"id":3,"code":"c","qt":2,"terminal":"7","DateTime":45000.5})"
              "\n");
}

TEST_F(ExportStoredTypesTest, JsonNeverCarriesInvalidUtf8OrRawControlBytes) {
    // Overlong, surrogate, beyond U+10FFFF, a valid four-byte letter, a sequence cut short;
    // then a blob holding a NUL, and an infinite quantity JSON has no number for.
    Sql("INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "(CAST(x'C080EDA080F5F09F98806F6BE282' AS TEXT), 9e999, x'610062', NULL)");
    EXPECT_EQ(Export({"--format", "jsonl"}),
              "{\"id\":1,\"code\":\"\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\xF0\x9F\x98\x80"
              "ok\\ufffd\\ufffd\",\"qt\":null,\"terminal\":\"a\\u0000b\",\"DateTime\":null}\n");
    EXPECT_EQ(Export({}),
              "id,code,qt,terminal,DateTime\r\n"
              "1,\xC0\x80\xED\xA0\x80\xF5\xF0\x9F\x98\x80ok\xE2\x82,Inf,a" +
                  std::string(1, '\0') + "b,\r\n");
}

TEST_F(ExportStoredTypesTest, TerminalsStoredAsNumbersKeepEveryDigit) {
    Sql("INSERT INTO Readings (code, terminal) VALUES "
        "('a', 100000), ('b', 1e16), ('c', 123456789.125), ('d', -3), "
        "('e', 9223372036854775807)");
    EXPECT_EQ(Export({}),
              "id,code,qt,terminal,DateTime\r\n"
              "1,a,,100000,\r\n"
              "2,b,,10000000000000000,\r\n"
              "3,c,,123456789.125,\r\n"
              "4,d,,-3,\r\n"
              "5,e,,9223372036854775807,\r\n");
}

}  // namespace
}  // namespace tavix::testing
