#include "numbertext.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quorvex {

std::string normaliseNumberText(std::string text)
{
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

std::string formatNumber(double v)
{
    char buf[64];
    if (!std::isfinite(v))
        v = 0;
    // %.4f of a huge value is long but bounded by the buffer.
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return normaliseNumberText(buf);
}

double readNumber(const std::string& text)
{
    const double v = std::strtod(text.c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

std::optional<int32_t> readBound(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    const double v = std::trunc(readNumber(text));
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

std::string spinStep(const std::string& text, int step, std::optional<int32_t> minimum, std::optional<int32_t> maximum)
{
    double v = readNumber(text) + step;
    if (maximum && v > *maximum)
        v = *maximum;
    if (minimum && v < *minimum)
        v = *minimum;
    return formatNumber(v);
}

ArgRangeText splitArgRange(const std::string& text)
{
    ArgRangeText r;
    std::string* pieces[3] = {&r.value, &r.minimum, &r.maximum};
    size_t start = 0;
    for (std::string* piece : pieces) {
        const size_t end = text.find(',', start);
        piece->assign(text, start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return r;
}

}  // namespace quorvex
