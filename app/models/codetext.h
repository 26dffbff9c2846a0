// The texts of a code record: its fixed-size byte fields are UTF-8, ended by
// a zero byte or by the end of the field.
#pragma once

#include <QString>

#include <cstring>

#include "quote.h"

template <size_t N>
inline QString fixedFieldText(const char (&field)[N])
{
    return QString::fromUtf8(field, int(strnlen(field, N)));
}

inline QString codeInfoCode(const QuoteCodeInfo& ci)
{
    return fixedFieldText(ci.code);
}

inline QString codeInfoName(const QuoteCodeInfo& ci)
{
    return fixedFieldText(ci.name);
}
