#include "models/pricemodel.h"

#include <cstring>

#include "models/codetext.h"
#include "models/mqmodel.h"

namespace {

template <typename T, size_t N>
QVariantList listOf(const T (&values)[N], bool reversed)
{
    QVariantList list;
    for (size_t i = 0; i < N; ++i) {
        const T v = values[reversed ? N - 1 - i : i];
        list.append(QVariant::fromValue(v));
    }
    return list;
}

}  // namespace

PriceModel::PriceModel(QObject* parent) : QObject(parent)
{
    std::memset(&rt_, 0, sizeof rt_);
}

void PriceModel::bindDataSignal(QObject* obj)
{
    if (auto* model = qobject_cast<MQModel*>(obj))
        connect(model, &MQModel::updatePrice, this, &PriceModel::onUpdatePrice);
}

void PriceModel::onUpdatePrice(const QuoteRealTimeMarket& rt)
{
    QuoteRealTimeMarket next;
    std::memcpy(&next, &rt, sizeof next);
    next.symbol = nullptr;  // a link into the library's tables is not ours to keep
    if (next.code_info.code[0] == '\0')
        std::memcpy(&next.code_info, &rt_.code_info, sizeof next.code_info);
    // A repeated record (pushes come many times a second) re-runs no binding.
    // Copied byte for byte, a record that compares equal is the same values.
    if (std::memcmp(&next, &rt_, sizeof next) == 0)
        return;
    std::memcpy(&rt_, &next, sizeof next);
    if (!active_) {
        untold_ = true;
        return;
    }
    emit dataChanged();
}

void PriceModel::setActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    emit activeChanged();
    if (active_ && untold_) {
        untold_ = false;
        emit dataChanged();
    }
}

QString PriceModel::name() const
{
    return codeInfoName(rt_.code_info);
}
QString PriceModel::code() const
{
    return codeInfoCode(rt_.code_info);
}
int PriceModel::market() const
{
    return static_cast<int8_t>(rt_.code_info.market);
}
int PriceModel::decimal() const
{
    return static_cast<int8_t>(rt_.code_info.decimal);
}

QString PriceModel::market_name() const
{
    switch (market()) {
    case 1:
        return QStringLiteral("沪");
    case 2:
        return QStringLiteral("深");
    default:
        return QString();
    }
}

bool PriceModel::margin_trading() const
{
    return quote_margin_is(code().toUtf8().constData(), market()) == 1;
}

QString PriceModel::trade_tag() const
{
    return QString();
}
QString PriceModel::trade_date() const
{
    return QString();
}
QString PriceModel::trade_time() const
{
    return QString();
}

QVariantList PriceModel::buy_tag() const
{
    return {QStringLiteral("买一"), QStringLiteral("买二"), QStringLiteral("买三"), QStringLiteral("买四"),
            QStringLiteral("买五")};
}

QVariantList PriceModel::sell_tag() const
{
    return {QStringLiteral("卖五"), QStringLiteral("卖四"), QStringLiteral("卖三"), QStringLiteral("卖二"),
            QStringLiteral("卖一")};
}

QVariantList PriceModel::buy_price() const
{
    return listOf(rt_.buy_price, false);
}
QVariantList PriceModel::sell_price() const
{
    return listOf(rt_.sell_price, true);
}
QVariantList PriceModel::buy_vol() const
{
    return listOf(rt_.buy_vol, false);
}
QVariantList PriceModel::sell_vol() const
{
    return listOf(rt_.sell_vol, true);
}

double PriceModel::timestamp() const
{
    return double(rt_.timestamp);
}
float PriceModel::pre_close() const
{
    return rt_.pre_close;
}
float PriceModel::open() const
{
    return rt_.open;
}
float PriceModel::high() const
{
    return rt_.high;
}
float PriceModel::low() const
{
    return rt_.low;
}
float PriceModel::close() const
{
    return rt_.close;
}
double PriceModel::vol() const
{
    return double(rt_.vol);
}
double PriceModel::cur_vol() const
{
    return double(rt_.cur_vol);
}
double PriceModel::sum() const
{
    return rt_.sum;
}
double PriceModel::red_vol() const
{
    return double(rt_.red_vol);
}
double PriceModel::green_vol() const
{
    return double(rt_.green_vol);
}
float PriceModel::vol_rate() const
{
    return rt_.vol_rate;
}
float PriceModel::swap() const
{
    return rt_.swap;
}
float PriceModel::amplitude() const
{
    return rt_.amplitude;
}
float PriceModel::rf_value() const
{
    return rt_.rf_value;
}
float PriceModel::rf_rate() const
{
    return rt_.rf_rate;
}
float PriceModel::committee() const
{
    return rt_.committee;
}
double PriceModel::committee_diff() const
{
    return double(rt_.committee_diff);
}
float PriceModel::avg_price() const
{
    return rt_.avg_price;
}
double PriceModel::d5_avg_vol() const
{
    return double(rt_.d5_avg_vol);
}
float PriceModel::speed() const
{
    return rt_.speed;
}
float PriceModel::rise_limit() const
{
    return rt_.rise_limit;
}
float PriceModel::fall_limit() const
{
    return rt_.fall_limit;
}
float PriceModel::pe() const
{
    return rt_.pe;
}
double PriceModel::eps() const
{
    return rt_.eps;
}
double PriceModel::float_shares() const
{
    return double(rt_.float_shares);
}
double PriceModel::total_shares() const
{
    return double(rt_.total_shares);
}
// Market values are computed in single precision, as the panels always showed them.
double PriceModel::float_shares_sum() const
{
    return double(float(rt_.float_shares) * rt_.close);
}
double PriceModel::total_shares_sum() const
{
    return double(float(rt_.total_shares) * rt_.close);
}
double PriceModel::ps_net_asset() const
{
    return rt_.ps_net_asset;
}
int PriceModel::rise_count() const
{
    return rt_.rise_count;
}
int PriceModel::flat_count() const
{
    return rt_.flat_count;
}
int PriceModel::fall_count() const
{
    return rt_.fall_count;
}
int PriceModel::all_count() const
{
    return rt_.all_count;
}
double PriceModel::block_id() const
{
    return double(rt_.block_id);
}
float PriceModel::settle_price() const
{
    return rt_.settle_price;
}
float PriceModel::pre_settle_price() const
{
    return rt_.pre_settle_price;
}
double PriceModel::open_interest() const
{
    return double(rt_.open_interest);
}
double PriceModel::pre_open_interest() const
{
    return double(rt_.pre_open_interest);
}
double PriceModel::total_buy() const
{
    return double(rt_.total_buy);
}
double PriceModel::total_sell() const
{
    return double(rt_.total_sell);
}
float PriceModel::m5_rf_rate() const
{
    return rt_.m5_rf_rate;
}
