// Number texts of the parameter boxes and the argument ranges of templates.
#ifndef QUORVEX_NUMBERTEXT_H
#define QUORVEX_NUMBERTEXT_H

#include <cstdint>
#include <optional>
#include <string>

namespace quorvex {

// Removes trailing '0' characters, then trailing '.' characters.
std::string normaliseNumberText(std::string text);

// v formatted with "%.4f" and normalised: 12.5 -> "12.5", 10 -> "10".
std::string formatNumber(double v);

// A number text read as by atof: leading blanks, then the longest number;
// a text that is not a number reads as 0.
double readNumber(const std::string& text);

// The integer of a bound text (saturated to int32), none when it is empty.
std::optional<int32_t> readBound(const std::string& text);

// One spin step: v = text + step, kept inside the bounds that are given.
std::string spinStep(const std::string& text, int step, std::optional<int32_t> minimum, std::optional<int32_t> maximum);

// "value,min,max" split by position: "5,,9" is value 5, no minimum, maximum 9;
// missing pieces stay empty and pieces after the third are ignored.
struct ArgRangeText {
    std::string value, minimum, maximum;
};
ArgRangeText splitArgRange(const std::string& text);

}  // namespace quorvex

#endif
