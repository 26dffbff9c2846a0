#include "shell/core/paramformat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace shellcore {

namespace {

// "%.4g" with ties rounded away from zero: the value's decimal digits (31
// significant digits, far more than a double's exact expansion ever needs to
// tell a tie from a near-tie) rounded half up at the fourth.
std::string fourDigitsHalfUp(double value)
{
    if (!std::isfinite(value) || value == 0.0) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.4g", value);
        return buf;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.30e", std::fabs(value));  // d.ddd...de+XX
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    int exponent = std::atoi(p + 1);
    std::string kept = digits.substr(0, 4);
    if (digits[4] >= '5') {
        int i = 3;
        for (; i >= 0 && kept[size_t(i)] == '9'; --i)
            kept[size_t(i)] = '0';
        if (i >= 0) {
            ++kept[size_t(i)];
        } else {
            kept = "1000";
            ++exponent;
        }
    }
    while (kept.size() > 1 && kept.back() == '0')
        kept.pop_back();
    std::string out = value < 0 ? "-" : "";
    if (exponent < -4 || exponent >= 4) {
        out += kept.substr(0, 1);
        if (kept.size() > 1)
            out += "." + kept.substr(1);
        char e[16];
        std::snprintf(e, sizeof e, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + e;
    }
    if (exponent < 0)
        return out + "0." + std::string(size_t(-exponent - 1), '0') + kept;
    const size_t whole = size_t(exponent) + 1;
    if (kept.size() <= whole)
        return out + kept + std::string(whole - kept.size(), '0');
    return out + kept.substr(0, whole) + "." + kept.substr(whole);
}

}  // namespace

std::string formatParamValue(double value)
{
    std::string text = fourDigitsHalfUp(value);
    // The trailing-zero rule is meant for plain decimals; in an exponent form
    // the last '0' belongs to the exponent ("1.05e+10" must not become "e+1").
    if (text.find_first_of("eE") != std::string::npos)
        return text;
    if (text.find('.', 1) != std::string::npos && !text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

float parseParamValue(const std::string& text)
{
    float value = 0.0f;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() ? value : 0.0f;
}

}  // namespace shellcore
