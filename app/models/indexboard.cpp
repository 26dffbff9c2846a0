#include "models/indexboard.h"

#include <cstring>

IndexBoard::IndexBoard(QObject* parent) : QObject(parent) {}

QString IndexBoard::name() const
{
    return QString::fromUtf8(rt_.code_info.name, int(strnlen(rt_.code_info.name, sizeof rt_.code_info.name)));
}

QString IndexBoard::code() const
{
    return QString::fromUtf8(rt_.code_info.code, int(strnlen(rt_.code_info.code, sizeof rt_.code_info.code)));
}

void IndexBoard::setRecord(const QuoteRealTimeMarket& rt)
{
    rt_ = rt;
    rt_.symbol = nullptr;  // valid only during the delivery
}
