// PriceModel: one real-time price record of a stock or index, read by the
// quote panels through 57 read-only properties computed from the stored record.
// It copies the record from an MQModel's price signal during the delivery.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

#include "quote.h"

class PriceModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name NOTIFY dataChanged)
    Q_PROPERTY(QString code READ code NOTIFY dataChanged)
    Q_PROPERTY(int market READ market NOTIFY dataChanged)
    Q_PROPERTY(int decimal READ decimal NOTIFY dataChanged)
    Q_PROPERTY(QString market_name READ market_name NOTIFY dataChanged)
    Q_PROPERTY(bool margin_trading READ margin_trading NOTIFY dataChanged)
    Q_PROPERTY(QString trade_tag READ trade_tag NOTIFY dataChanged)
    Q_PROPERTY(QString trade_date READ trade_date NOTIFY dataChanged)
    Q_PROPERTY(QString trade_time READ trade_time NOTIFY dataChanged)
    Q_PROPERTY(QVariantList buy_tag READ buy_tag NOTIFY dataChanged)
    Q_PROPERTY(QVariantList sell_tag READ sell_tag NOTIFY dataChanged)
    Q_PROPERTY(QVariantList buy_price READ buy_price NOTIFY dataChanged)
    Q_PROPERTY(QVariantList sell_price READ sell_price NOTIFY dataChanged)
    Q_PROPERTY(QVariantList buy_vol READ buy_vol NOTIFY dataChanged)
    Q_PROPERTY(QVariantList sell_vol READ sell_vol NOTIFY dataChanged)
    Q_PROPERTY(double timestamp READ timestamp NOTIFY dataChanged)
    Q_PROPERTY(float pre_close READ pre_close NOTIFY dataChanged)
    Q_PROPERTY(float open READ open NOTIFY dataChanged)
    Q_PROPERTY(float high READ high NOTIFY dataChanged)
    Q_PROPERTY(float low READ low NOTIFY dataChanged)
    Q_PROPERTY(float close READ close NOTIFY dataChanged)
    Q_PROPERTY(double vol READ vol NOTIFY dataChanged)
    Q_PROPERTY(double cur_vol READ cur_vol NOTIFY dataChanged)
    Q_PROPERTY(double sum READ sum NOTIFY dataChanged)
    Q_PROPERTY(double red_vol READ red_vol NOTIFY dataChanged)
    Q_PROPERTY(double green_vol READ green_vol NOTIFY dataChanged)
    Q_PROPERTY(float vol_rate READ vol_rate NOTIFY dataChanged)
    Q_PROPERTY(float swap READ swap NOTIFY dataChanged)
    Q_PROPERTY(float amplitude READ amplitude NOTIFY dataChanged)
    Q_PROPERTY(float rf_value READ rf_value NOTIFY dataChanged)
    Q_PROPERTY(float rf_rate READ rf_rate NOTIFY dataChanged)
    Q_PROPERTY(float committee READ committee NOTIFY dataChanged)
    Q_PROPERTY(double committee_diff READ committee_diff NOTIFY dataChanged)
    Q_PROPERTY(float avg_price READ avg_price NOTIFY dataChanged)
    Q_PROPERTY(double d5_avg_vol READ d5_avg_vol NOTIFY dataChanged)
    Q_PROPERTY(float speed READ speed NOTIFY dataChanged)
    Q_PROPERTY(float rise_limit READ rise_limit NOTIFY dataChanged)
    Q_PROPERTY(float fall_limit READ fall_limit NOTIFY dataChanged)
    Q_PROPERTY(float pe READ pe NOTIFY dataChanged)
    Q_PROPERTY(double eps READ eps NOTIFY dataChanged)
    Q_PROPERTY(double float_shares READ float_shares NOTIFY dataChanged)
    Q_PROPERTY(double total_shares READ total_shares NOTIFY dataChanged)
    Q_PROPERTY(double float_shares_sum READ float_shares_sum NOTIFY dataChanged)
    Q_PROPERTY(double total_shares_sum READ total_shares_sum NOTIFY dataChanged)
    Q_PROPERTY(double ps_net_asset READ ps_net_asset NOTIFY dataChanged)
    Q_PROPERTY(int rise_count READ rise_count NOTIFY dataChanged)
    Q_PROPERTY(int flat_count READ flat_count NOTIFY dataChanged)
    Q_PROPERTY(int fall_count READ fall_count NOTIFY dataChanged)
    Q_PROPERTY(int all_count READ all_count NOTIFY dataChanged)
    Q_PROPERTY(double block_id READ block_id NOTIFY dataChanged)
    Q_PROPERTY(float settle_price READ settle_price NOTIFY dataChanged)
    Q_PROPERTY(float pre_settle_price READ pre_settle_price NOTIFY dataChanged)
    Q_PROPERTY(double open_interest READ open_interest NOTIFY dataChanged)
    Q_PROPERTY(double pre_open_interest READ pre_open_interest NOTIFY dataChanged)
    Q_PROPERTY(double total_buy READ total_buy NOTIFY dataChanged)
    Q_PROPERTY(double total_sell READ total_sell NOTIFY dataChanged)
    Q_PROPERTY(float m5_rf_rate READ m5_rf_rate NOTIFY dataChanged)
    // False while the panel reading the model is hidden: pushes are kept but
    // told of only when it is true again.
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
public:
    explicit PriceModel(QObject* parent = nullptr);

    QString name() const;
    QString code() const;
    int market() const;
    int decimal() const;
    QString market_name() const;
    bool margin_trading() const;
    QString trade_tag() const;
    QString trade_date() const;
    QString trade_time() const;
    QVariantList buy_tag() const;
    QVariantList sell_tag() const;
    QVariantList buy_price() const;
    QVariantList sell_price() const;
    QVariantList buy_vol() const;
    QVariantList sell_vol() const;
    double timestamp() const;
    float pre_close() const;
    float open() const;
    float high() const;
    float low() const;
    float close() const;
    double vol() const;
    double cur_vol() const;
    double sum() const;
    double red_vol() const;
    double green_vol() const;
    float vol_rate() const;
    float swap() const;
    float amplitude() const;
    float rf_value() const;
    float rf_rate() const;
    float committee() const;
    double committee_diff() const;
    float avg_price() const;
    double d5_avg_vol() const;
    float speed() const;
    float rise_limit() const;
    float fall_limit() const;
    float pe() const;
    double eps() const;
    double float_shares() const;
    double total_shares() const;
    double float_shares_sum() const;
    double total_shares_sum() const;
    double ps_net_asset() const;
    int rise_count() const;
    int flat_count() const;
    int fall_count() const;
    int all_count() const;
    double block_id() const;
    float settle_price() const;
    float pre_settle_price() const;
    double open_interest() const;
    double pre_open_interest() const;
    double total_buy() const;
    double total_sell() const;
    float m5_rf_rate() const;

    const QuoteRealTimeMarket& record() const { return rt_; }

    bool active() const { return active_; }
    // GUI thread: made active, tells of a record that came while it was not.
    void setActive(bool active);

    // Connects obj's MQModel::updatePrice to onUpdatePrice (each call once more).
    Q_INVOKABLE void bindDataSignal(QObject* obj);

signals:
    void dataChanged();
    void activeChanged();

public slots:
    // Copies rt; a record without a code keeps the identity shown.
    void onUpdatePrice(const QuoteRealTimeMarket& rt);

private:
    QuoteRealTimeMarket rt_;
    bool active_ = true;
    bool untold_ = false;  // a record came while not active
};
