#include "saved_text.hpp"

#include <charconv>
#include <climits>
#include <stdexcept>

namespace tavix::console {

namespace {

[[noreturn]] void Refuse(std::string_view why) {
    throw std::invalid_argument("not a saved console text: " + std::string(why));
}

}  // namespace

SavedTextWriter::SavedTextWriter(std::string_view tag) : out_(tag) {
    out_ += ';';
}

void SavedTextWriter::Number(long long value) {
    out_ += std::to_string(value);
    out_ += ';';
}

void SavedTextWriter::Text(std::string_view text) {
    out_ += std::to_string(text.size());
    out_ += ':';
    out_ += text;
}

SavedTextReader::SavedTextReader(std::string_view saved, std::string_view tag) : rest_(saved) {
    if (rest_.size() <= tag.size() || rest_.substr(0, tag.size()) != tag ||
        rest_[tag.size()] != ';') {
        Refuse("expected a saved " + std::string(tag));
    }
    rest_.remove_prefix(tag.size() + 1);
}

long long SavedTextReader::Number() {
    long long value = 0;
    const auto [end, error] = std::from_chars(rest_.data(), rest_.data() + rest_.size(), value);
    if (error != std::errc() || end == rest_.data() + rest_.size() || *end != ';') {
        Refuse("bad number");
    }
    rest_.remove_prefix(static_cast<size_t>(end - rest_.data()) + 1);
    return value;
}

int SavedTextReader::Int() {
    const long long value = Number();
    if (value < INT_MIN || value > INT_MAX) {
        Refuse("number out of range");
    }
    return static_cast<int>(value);
}

std::string SavedTextReader::Text() {
    size_t length = 0;
    const auto [end, error] = std::from_chars(rest_.data(), rest_.data() + rest_.size(), length);
    if (error != std::errc() || end == rest_.data() + rest_.size() || *end != ':') {
        Refuse("bad text length");
    }
    const size_t header = static_cast<size_t>(end - rest_.data()) + 1;
    if (rest_.size() - header < length) {
        Refuse("text cut short");
    }
    std::string text(rest_.substr(header, length));
    rest_.remove_prefix(header + length);
    return text;
}

void SavedTextReader::ExpectEnd() const {
    if (!rest_.empty()) {
        Refuse("unexpected data at the end");
    }
}

}  // namespace tavix::console
