#include "demo/info_text.hpp"

namespace tavix::demo {
namespace {

// The first two pieces end with a space so that the sentences run on without a gap.
constexpr const char* kAboutFirst =
    "Questo applicativo e' scritto utilizzando Kalviro e Visual Basic. ";
constexpr const char* kAboutSecond =
    "Puo' essere liberamente utilizzato e distribuito, al solo fine di ";
constexpr const char* kAboutThird = "visualizzare e provare le caratteristiche del pacchetto.";
// Two carriage returns: one ends the paragraph's last row, the other leaves an empty row.
constexpr const char* kParagraphBreak = "\r\r";
constexpr const char* kLeaveHint = "Premere ESC per continuare.";

}  // namespace

std::string InfoText() {
    return std::string(kAboutFirst) + kAboutSecond + kAboutThird + kParagraphBreak + kLeaveHint;
}

}  // namespace tavix::demo
