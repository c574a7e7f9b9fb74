#include "word_wrap.hpp"

#include <algorithm>

namespace tavix::console {

std::vector<std::string> WrapWords(const std::string& text, int width) {
    std::vector<std::string> lines;
    width = std::max(width, 1);
    std::string line;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        size_t end = text.find(' ', i);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string word = text.substr(i, end - i);
        i = end;
        while (static_cast<int>(word.size()) > width) {
            if (!line.empty()) {
                lines.push_back(line);
                line.clear();
            }
            lines.push_back(word.substr(0, static_cast<size_t>(width)));
            word.erase(0, static_cast<size_t>(width));
        }
        if (word.empty()) {
            continue;
        }
        if (line.empty()) {
            line = word;
        } else if (static_cast<int>(line.size() + 1 + word.size()) <= width) {
            line += ' ' + word;
        } else {
            lines.push_back(line);
            line = word;
        }
    }
    if (!line.empty() || lines.empty()) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace tavix::console
