// The three formats byte for byte on rows that trip up exporters, on every kind of store:
// separators, quotes and line breaks inside texts, non-ASCII letters, control characters,
// NULLs beside empty texts, extreme and negative quantities, codes with leading zeros.

#include <gtest/gtest.h>

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class ExportFormatsTest : public AnyStoreTest {
  protected:
    ExportFormatsTest() {
        // Line breaks and control characters stand in the literals themselves, which both
        // kinds of store read.
        Sql("INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
            "('a,b', 2.5, '1', '2024-05-01 10:00:00'), "
            "('say \"hi\"', -0.25, '6', '2024-05-01 10:00:01'), "
            "('line1\r\nline2', 1e308, '7', '2024-05-02 08:00:00'), "
            "('x;y', 12, NULL, NULL), "
            "('Però€ ''q''', 0.1, '007', '2024-05-03 23:59:59'), "
            "('', NULL, '', '2024-05-04 00:00:00'), "
            "('0012', 1000000, 'T\r', NULL), "
            "(NULL, 1e-5, '\x01\t', '2024-05-05 00:00:00')");
    }
};

TEST_P(ExportFormatsTest, CsvIsRfc4180WithNumbersInTheGeneralForm) {
    const AdminResult result = Admin({"export", path_});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out,
              "id,code,qt,terminal,DateTime\r\n"
              "1,\"a,b\",2.5,1,2024-05-01 10:00:00\r\n"
              "2,\"say \"\"hi\"\"\",-0.25,6,2024-05-01 10:00:01\r\n"
              "3,\"line1\r\nline2\",1e+308,7,2024-05-02 08:00:00\r\n"
              "4,x;y,12,,\r\n"
              "5,Però€ 'q',0.1,007,2024-05-03 23:59:59\r\n"
              "6,\"\",,\"\",2024-05-04 00:00:00\r\n"
              "7,0012,1000000,\"T\r\",\r\n"
              "8,,1e-05,\x01\t,2024-05-05 00:00:00\r\n");
    EXPECT_EQ(result.err, "8 readings written\n");
}

TEST_P(ExportFormatsTest, CsvItalianHasSemicolonsDecimalCommasAndAByteOrderMark) {
    EXPECT_EQ(Export({"--format", "csv-it"}),
              "\xEF\xBB\xBFid;code;qt;terminal;DateTime\r\n"
              "1;a,b;2,5;1;2024-05-01 10:00:00\r\n"
              "2;\"say \"\"hi\"\"\";-0,25;6;2024-05-01 10:00:01\r\n"
              "3;\"line1\r\nline2\";1e+308;7;2024-05-02 08:00:00\r\n"
              "4;\"x;y\";12;;\r\n"
              "5;Però€ 'q';0,1;007;2024-05-03 23:59:59\r\n"
              "6;\"\";;\"\";2024-05-04 00:00:00\r\n"
              "7;0012;1000000;\"T\r\";\r\n"
              "8;;1e-05;\x01\t;2024-05-05 00:00:00\r\n");
}

TEST_P(ExportFormatsTest, JsonLinesAreValidJsonWithTypesKept) {
    EXPECT_EQ(
        Export({"--format", "jsonl"}),
        R"({"id":1,"code":"a,b","qt":2.5,"terminal":"1","DateTime":"2024-05-01 10:00:00"})"
        "\n"
        R"({"id":2,"code":"say \"hi\"","qt":-0.25,"terminal":"6","DateTime":"2024-05-01 10:00:01"})"
        "\n"
        R"({"id":3,"code":"line1\r\nline2","qt":1e+308,"terminal":"7","DateTime":"2024-05-02 08:00:00"})"
        "\n"
        R"({"id":4,"code":"x;y","qt":12,"terminal":null,"DateTime":null})"
        "\n"
        R"({"id":5,"code":"Però€ 'q'","qt":0.1,"terminal":"007","DateTime":"2024-05-03 23:59:59"})"
        "\n"
        R"({"id":6,"code":"","qt":null,"terminal":"","DateTime":"2024-05-04 00:00:00"})"
        "\n"
        R"({"id":7,"code":"0012","qt":1000000,"terminal":"T\r","DateTime":null})"
        "\n"
        R"({"id":8,"code":null,"qt":1e-05,"terminal":"\u0001\t","DateTime":"2024-05-05 00:00:00"})"
        "\n");
}

TEST_P(ExportFormatsTest, NumbersKeepEveryDigitAndNeverGainADecimalZero) {
    Sql("DELETE FROM Readings");
    Sql("INSERT INTO Readings (code, qt) VALUES "
        "('a', 0.30000000000000004), ('b', -1e-7), ('c', 1e17), ('d', 0.0001), "
        "('e', 5e-324), ('f', 123456789.125), ('g', -0.0)");
    EXPECT_EQ(Export({}),
              "id,code,qt,terminal,DateTime\r\n"
              "9,a,0.30000000000000004,,\r\n"
              "10,b,-1e-07,,\r\n"
              "11,c,1e+17,,\r\n"
              "12,d,0.0001,,\r\n"
              "13,e,5e-324,,\r\n"
              "14,f,123456789.125,,\r\n"
              "15,g,0,,\r\n");
}

TEST_P(ExportFormatsTest, AnEmptyStoreGivesTheHeaderAlone) {
    Sql("DELETE FROM Readings");
    const AdminResult csv = Admin({"export", path_});
    EXPECT_EQ(csv.out, "id,code,qt,terminal,DateTime\r\n");
    EXPECT_EQ(csv.err, "0 readings written\n");
    EXPECT_EQ(Export({"--format", "jsonl"}), "");
}

TAVIX_ON_EVERY_STORE_KIND(ExportFormatsTest);

}  // namespace
}  // namespace tavix::testing
