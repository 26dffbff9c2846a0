// Text form of an indicator parameter value as the parameter editor stores it:
// four significant digits, shortest form.
#pragma once

#include <string>

namespace shellcore {

// The value with four significant digits as "%.4g" writes it (independent of
// the locale), except that an exact tie rounds away from zero as Qt's 'g'
// format does (1234.5 gives "1235", not "1234"); when the text has a '.' after its first character and no
// exponent, one trailing '0' is removed, then a trailing '.'. Exponent forms
// stay as they are ("1.05e+10", "1.2e-10").
std::string formatParamValue(double value);

// The text read back as a 32-bit float; 0 when it does not parse.
float parseParamValue(const std::string& text);

}  // namespace shellcore
