// The three formats byte for byte on rows that trip up exporters: separators, quotes and line
// breaks inside texts, non-ASCII and invalid UTF-8, NULLs, terminals stored as texts and as
// numbers, extreme and negative quantities, codes with leading zeros.

#include <gtest/gtest.h>

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class ExportFormatsTest : public AdminStoreTest {
  protected:
    ExportFormatsTest() {
        Sql("INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
            "('a,b', 2.5, '1', '2024-05-01 10:00:00'), "
            "('say \"hi\"', -0.25, 6.0, '2024-05-01 10:00:01'), "
            "('line1' || char(13, 10) || 'line2', 1e308, 7, '2024-05-02 08:00:00'), "
            "('x;y', 12, NULL, NULL), "
            "('Però€', 0.1, '007', '2024-05-03 23:59:59'), "
            "(CAST(x'41FF42' AS TEXT), NULL, '', '2024-05-04 00:00:00'), "
            "('0012', 1000000, 'T' || char(13), 'not a date'), "
            "(NULL, 1e-5, char(1, 9), 45000.5)");
    }
};

TEST_F(ExportFormatsTest, CsvIsRfc4180WithNumbersInTheGeneralForm) {
    const AdminResult result = RunAdmin({"export", path_});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out,
              "id,code,qt,terminal,DateTime\r\n"
              "1,\"a,b\",2.5,1,2024-05-01 10:00:00\r\n"
              "2,\"say \"\"hi\"\"\",-0.25,6,2024-05-01 10:00:01\r\n"
              "3,\"line1\r\nline2\",1e+308,7,2024-05-02 08:00:00\r\n"
              "4,x;y,12,,\r\n"
              "5,Però€,0.1,007,2024-05-03 23:59:59\r\n"
              "6,A\xFF"
              "B,,\"\",2024-05-04 00:00:00\r\n"
              "7,0012,1000000,\"T\r\",not a date\r\n"
              "8,,1e-05,\x01\t,45000.5\r\n");
    EXPECT_EQ(result.err, "8 readings written\n");
}

TEST_F(ExportFormatsTest, CsvItalianHasSemicolonsDecimalCommasAndAByteOrderMark) {
    EXPECT_EQ(Export({"--format", "csv-it"}),
              "\xEF\xBB\xBFid;code;qt;terminal;DateTime\r\n"
              "1;a,b;2,5;1;2024-05-01 10:00:00\r\n"
              "2;\"say \"\"hi\"\"\";-0,25;6;2024-05-01 10:00:01\r\n"
              "3;\"line1\r\nline2\";1e+308;7;2024-05-02 08:00:00\r\n"
              "4;\"x;y\";12;;\r\n"
              "5;Però€;0,1;007;2024-05-03 23:59:59\r\n"
              "6;A\xFF"
              "B;;\"\";2024-05-04 00:00:00\r\n"
              "7;0012;1000000;\"T\r\";not a date\r\n"
              "8;;1e-05;\x01\t;45000,5\r\n");
}

TEST_F(ExportFormatsTest, JsonLinesAreValidJsonWithTypesKept) {
    EXPECT_EQ(
        Export({"--format", "jsonl"}),
        R"({"id":1,"code":"a,b","qt":2.5,"terminal":"1","DateTime":"2024-05-01 10:00:00"})"
        "\n"
        R"({"id":2,"code":"say \"hi\"","qt":-0.25,"terminal":6,"DateTime":"2024-05-01 10:00:01"})"
        "\n"
        R"({"id":3,"code":"line1\r\nline2","qt":1e+308,"terminal":7,"DateTime":"2024-05-02 08:00:00"})"
        "\n"
        R"({"id":4,"code":"x;y","qt":12,"terminal":null,"DateTime":null})"
        "\n"
        R"({"id":5,"code":"Però€","qt":0.1,"terminal":"007","DateTime":"2024-05-03 23:59:59"})"
        "\n"
        R"({"id":6,"code":"A\ufffdB","qt":null,"terminal":"","DateTime":"2024-05-04 00:00:00"})"
        "\n"
        R"({"id":7,"code":"0012","qt":1000000,"terminal":"T\r","DateTime":"not a date"})"
        "\n"
        R"({"id":8,"code":null,"qt":1e-05,"terminal":"\u0001\t","DateTime":45000.5})"
        "\n");
}

TEST_F(ExportFormatsTest, JsonNeverCarriesInvalidUtf8OrRawControlBytes) {
    Sql("DELETE FROM Readings");
    // Overlong, surrogate, beyond U+10FFFF, a valid four-byte letter, a sequence cut short;
    // then a blob holding a NUL, and an infinite quantity JSON has no number for.
    Sql("INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "(CAST(x'C080EDA080F5F09F98806F6BE282' AS TEXT), 9e999, x'610062', NULL)");
    EXPECT_EQ(Export({"--format", "jsonl"}),
              "{\"id\":9,\"code\":\"\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\xF0\x9F\x98\x80"
              "ok\\ufffd\\ufffd\",\"qt\":null,\"terminal\":\"a\\u0000b\",\"DateTime\":null}\n");
    EXPECT_EQ(Export({}),
              "id,code,qt,terminal,DateTime\r\n"
              "9,\xC0\x80\xED\xA0\x80\xF5\xF0\x9F\x98\x80ok\xE2\x82,Inf,a" +
                  std::string(1, '\0') + "b,\r\n");
}

TEST_F(ExportFormatsTest, NumbersKeepEveryDigitAndNeverGainADecimalZero) {
    Sql("DELETE FROM Readings");
    Sql("INSERT INTO Readings (code, qt, terminal) VALUES "
        "('a', 0.1 + 0.2, 100000), ('b', -1e-7, 1e16), ('c', 1e17, 123456789.125), "
        "('d', 0.0001, -3), ('e', 5e-324, 9223372036854775807)");
    EXPECT_EQ(Export({}),
              "id,code,qt,terminal,DateTime\r\n"
              "9,a,0.30000000000000004,100000,\r\n"
              "10,b,-1e-07,10000000000000000,\r\n"
              "11,c,1e+17,123456789.125,\r\n"
              "12,d,0.0001,-3,\r\n"
              "13,e,5e-324,9223372036854775807,\r\n");
}

TEST_F(ExportFormatsTest, AnEmptyStoreGivesTheHeaderAlone) {
    Sql("DELETE FROM Readings");
    const AdminResult csv = RunAdmin({"export", path_});
    EXPECT_EQ(csv.out, "id,code,qt,terminal,DateTime\r\n");
    EXPECT_EQ(csv.err, "0 readings written\n");
    EXPECT_EQ(Export({"--format", "jsonl"}), "");
}

}  // namespace
}  // namespace tavix::testing
