#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo/info_screen.hpp"
#include "screen_helpers/text_layout.hpp"

namespace tavix::demo {
namespace {

constexpr int kBoxWidth = 21;

std::vector<std::string> WrappedRows() {
    const std::string wrapped = screen_helpers::WrapText(InfoText(), kBoxWidth);
    std::vector<std::string> rows;
    for (std::size_t pos = 0; pos < wrapped.size(); pos += kBoxWidth) {
        rows.push_back(wrapped.substr(pos, kBoxWidth));
    }
    return rows;
}

std::string Padded(const std::string& row) {
    return row + std::string(kBoxWidth - row.size(), ' ');
}

TEST(InfoTextTest, WrapsToTheFourteenRowsOfTheBox) {
    const std::vector<std::string> expected = {
        Padded("Questo applicativo e'"),
        Padded("scritto utilizzando"),
        Padded("Kalviro e Visual"),
        Padded("Basic. Puo' essere"),
        Padded("liberamente"),
        Padded("utilizzato e"),
        Padded("distribuito, al solo"),
        Padded("fine di visualizzare"),
        Padded("e provare le"),
        Padded("caratteristiche del"),
        Padded("pacchetto."),
        Padded(""),
        Padded("Premere ESC per"),
        "continuare.",
    };
    EXPECT_EQ(WrappedRows(), expected);
    EXPECT_EQ(screen_helpers::WrapText(InfoText(), kBoxWidth).size(), 284u);
}

}  // namespace
}  // namespace tavix::demo
