#include "models/indexboard.h"

#include <cstring>

#include "models/codetext.h"

IndexBoard::IndexBoard(QObject* parent) : QObject(parent) {}

QString IndexBoard::name() const
{
    return codeInfoName(rt_.code_info);
}

QString IndexBoard::code() const
{
    return codeInfoCode(rt_.code_info);
}

void IndexBoard::setRecord(const QuoteRealTimeMarket& rt)
{
    // Only what the board shows decides whether it tells of a change: a push
    // repeats unchanged rows, and their texts need not be redone.
    const bool same = std::memcmp(&rt.code_info, &rt_.code_info, sizeof rt.code_info) == 0 && rt.close == rt_.close &&
                      rt.rf_value == rt_.rf_value && rt.rf_rate == rt_.rf_rate && rt.pre_close == rt_.pre_close &&
                      rt.sum == rt_.sum;
    rt_ = rt;
    rt_.symbol = nullptr;  // valid only during the delivery
    if (!same)
        emit dataChanged();
}
