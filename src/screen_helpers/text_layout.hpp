#pragma once

#include <string>

// Laying texts out in the fixed-width cells of the console. Texts are single-byte; lengths
// and widths count bytes.

namespace tavix::screen_helpers {

// The text centred in exactly width characters; when the spaces cannot be shared evenly the
// extra one goes to the right. Throws std::invalid_argument when the text is longer than width.
std::string CentreText(const std::string& text, int width);

// The text cut to width characters, or filled up to width with the first character of pad.
// Throws std::invalid_argument when pad is empty or width is negative.
std::string PadText(const std::string& text, int width, const std::string& pad);

// The text broken into rows of width characters for a text box, the rows joined without
// separators: every row but the last is padded with spaces so the box can cut by position.
// A carriage return ends a row; leading spaces of a row are dropped; a word longer than a row
// is cut. Throws std::invalid_argument when width is less than 1.
std::string WrapText(const std::string& text, int width);

}  // namespace tavix::screen_helpers
