#include "acquisition/list_line.hpp"

namespace tavix::acquisition {
namespace {

std::string TwoDigits(int value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

}  // namespace

std::string ListDateTimeText(const store::Timestamp& timestamp) {
    return TwoDigits(timestamp.day) + "/" + TwoDigits(timestamp.month) + "/" +
           TwoDigits(timestamp.year % 100) + " " + TwoDigits(timestamp.hour) + ":" +
           TwoDigits(timestamp.minute) + ":" + TwoDigits(timestamp.second);
}

}  // namespace tavix::acquisition
