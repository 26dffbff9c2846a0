#include "shell/core/paramformat.h"

#include <charconv>
#include <cstdlib>

namespace shellcore {

std::string formatParamValue(double value)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::general, 4);
    std::string text(buf, r.ec == std::errc() ? r.ptr : buf);
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
