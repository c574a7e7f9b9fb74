#pragma once

#include <string>
#include <string_view>

namespace tavix::console {

// The opaque texts that SaveState, SaveArea and ShowMessage hand to the program are sequences
// of numbers and length-prefixed texts behind a tag naming what they hold. The program only
// keeps them and gives them back; a text that was not made here, or was cut, is refused
// with std::invalid_argument rather than restored half.

class SavedTextWriter {
  public:
    explicit SavedTextWriter(std::string_view tag);
    void Number(long long value);
    void Text(std::string_view text);
    std::string Finish() && { return std::move(out_); }

  private:
    std::string out_;
};

class SavedTextReader {
  public:
    SavedTextReader(std::string_view saved, std::string_view tag);
    long long Number();
    int Int();
    std::string Text();
    bool AtEnd() const { return rest_.empty(); }
    // Fails unless everything was read.
    void ExpectEnd() const;

  private:
    std::string_view rest_;
};

}  // namespace tavix::console
