// The texts of a code record: its fixed-size byte fields are UTF-8, ended by
// a zero byte or by the end of the field.
#pragma once

#include <QString>

#include <cstring>

#include "quote.h"

inline QString codeInfoCode(const QuoteCodeInfo& ci)
{
    return QString::fromUtf8(ci.code, int(strnlen(ci.code, sizeof ci.code)));
}

inline QString codeInfoName(const QuoteCodeInfo& ci)
{
    return QString::fromUtf8(ci.name, int(strnlen(ci.name, sizeof ci.name)));
}
