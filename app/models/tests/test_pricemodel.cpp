#include <gtest/gtest.h>

#include <QMetaProperty>
#include <QStringList>

#include <QSignalSpy>
#include <QVariant>

#include <cstring>

#include "models/pricemodel.h"

namespace {

QuoteRealTimeMarket sampleRecord()
{
    QuoteRealTimeMarket rt;
    std::memset(&rt, 0, sizeof rt);
    std::memcpy(rt.code_info.code, "600000", 6);
    std::memcpy(rt.code_info.name, "浦发银行", std::strlen("浦发银行"));
    rt.code_info.market = 1;
    rt.code_info.decimal = 2;
    rt.code_info.type = 2;
    rt.timestamp = 1700000000;
    rt.pre_close = 10.0f;
    rt.open = 10.1f;
    rt.high = 10.2f;
    rt.low = 9.9f;
    rt.close = 10.01f;
    rt.vol = 123456789012LL;
    rt.sum = 9.5e9;
    rt.rf_value = 0.01f;
    rt.rf_rate = 0.001f;
    for (int i = 0; i < 5; ++i) {
        rt.buy_price[i] = 10.0f - 0.01f * i;
        rt.sell_price[i] = 10.02f + 0.01f * i;
        rt.buy_vol[i] = 100 * (i + 1);
        rt.sell_vol[i] = 1000 * (i + 1);
    }
    rt.float_shares = 1000000000;
    rt.total_shares = 3000000000LL;
    rt.rise_count = -2;  // a 16-bit value read sign-extended
    rt.block_id = 1101;
    return rt;
}

}  // namespace

// Every property against the hand-filled record: names as QML reads them.
TEST(PriceModel, PropertiesFromTheRecord)
{
    PriceModel m;
    QSignalSpy changed(&m, &PriceModel::dataChanged);
    m.onUpdatePrice(sampleRecord());
    EXPECT_EQ(1, changed.count());

    const struct {
        const char* name;
        QVariant expected;
    } cases[] = {
        {"name", QString("浦发银行")},
        {"code", QString("600000")},
        {"market", 1},
        {"decimal", 2},
        {"market_name", QString("沪")},
        {"trade_tag", QString()},
        {"timestamp", 1700000000.0},
        {"pre_close", 10.0f},
        {"close", 10.01f},
        {"vol", 123456789012.0},
        {"sum", 9.5e9},
        {"rf_rate", 0.001f},
        {"float_shares", 1e9},
        // 1e9 * 10.01 in single precision is 10010000384, not 10010000000.
        {"float_shares_sum", 10010000384.0},
        {"total_shares_sum", double(3e9f * 10.01f)},
        {"rise_count", -2},
        {"block_id", 1101.0},
        {"settle_price", 0.0f},
    };
    for (const auto& c : cases) {
        const QVariant got = m.property(c.name);
        ASSERT_TRUE(got.isValid()) << c.name;
        if (c.expected.userType() == QMetaType::Float || c.expected.userType() == QMetaType::Double)
            EXPECT_DOUBLE_EQ(c.expected.toDouble(), got.toDouble()) << c.name;
        else
            EXPECT_EQ(c.expected, got) << c.name;
    }

    // The queue: asks from the fifth down to the best, bids best first.
    EXPECT_EQ(QVariantList({"卖五", "卖四", "卖三", "卖二", "卖一"}), m.property("sell_tag").toList());
    EXPECT_FLOAT_EQ(10.06f, m.property("sell_price").toList().at(0).toFloat());
    EXPECT_FLOAT_EQ(10.02f, m.property("sell_price").toList().at(4).toFloat());
    EXPECT_EQ(5000, m.property("sell_vol").toList().at(0).toLongLong());
    EXPECT_FLOAT_EQ(10.0f, m.property("buy_price").toList().at(0).toFloat());
    EXPECT_EQ(100, m.property("buy_vol").toList().at(0).toLongLong());
    // 57 read-only figures of the record, and the one switch a panel sets.
    const QMetaObject* meta = m.metaObject();
    int readOnly = 0;
    QStringList writable;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        meta->property(i).isWritable() ? void(writable << meta->property(i).name()) : void(++readOnly);
    EXPECT_EQ(57, readOnly);
    EXPECT_EQ(QStringList({"active"}), writable);
}

// An update without a code keeps the identity shown; markets other than 1 and
// 2 have no market name; before any update numbers are 0 and tags are set.
TEST(PriceModel, CopyRuleAndEmptyState)
{
    PriceModel m;
    EXPECT_EQ(0.0, m.property("close").toDouble());
    EXPECT_EQ(QString(), m.property("name").toString());
    EXPECT_EQ(5, m.property("buy_tag").toList().size());

    m.onUpdatePrice(sampleRecord());
    QuoteRealTimeMarket anonymous = sampleRecord();
    std::memset(&anonymous.code_info, 0, sizeof anonymous.code_info);
    anonymous.close = 11.0f;
    m.onUpdatePrice(anonymous);
    EXPECT_EQ("600000", m.property("code").toString());
    EXPECT_EQ("浦发银行", m.property("name").toString());
    EXPECT_EQ(2, m.property("decimal").toInt());
    EXPECT_FLOAT_EQ(11.0f, m.property("close").toFloat());

    for (int market : {0, 3, 200}) {
        QuoteRealTimeMarket rt = sampleRecord();
        rt.code_info.market = static_cast<uint8_t>(market);
        m.onUpdatePrice(rt);
        EXPECT_EQ(QString(), m.property("market_name").toString()) << market;
    }
    QuoteRealTimeMarket sz = sampleRecord();
    sz.code_info.market = 2;
    m.onUpdatePrice(sz);
    EXPECT_EQ("深", m.property("market_name").toString());
}
