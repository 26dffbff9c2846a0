#include "models/indexboard.h"

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
    rt_ = rt;
    rt_.symbol = nullptr;  // valid only during the delivery
    emit dataChanged();
}
