#pragma once

#include <cstdint>
#include <string>

namespace tavix::admin {

// A number in the general form: the fewest digits that read back as the same double, written
// out in full from 0.0001 up to 1e17 (12, 2.5, -0.25, 1000000, never 12.0) and with an
// exponent beyond (1e+308, 1e-05), as printf's %g decides. decimal_point is '.' or ','.
// Infinities are Inf and -Inf, not-a-number NaN.
void AppendNumber(std::string& out, double number, char decimal_point);

void AppendInteger(std::string& out, std::int64_t number);

}  // namespace tavix::admin
