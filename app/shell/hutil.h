// HUtil: price, rate and volume texts, price colours, machine identifiers, the
// start of the updater and text width, for QML (as a plain item) and for native
// code (the static forms). Stateless apart from the identifiers, which the
// platform layer caches.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class HUtil : public QObject {
    Q_OBJECT
public:
    explicit HUtil(QObject* parent = nullptr);

    // GUI thread or any other: pure formatters.
    // 0 gives "-"; else fixed-point with `decimals` decimals.
    static QString formatPriceText(float value, int decimals);
    // A rate in percent: fixed-point + "%"; a zero rate gives "0.00%" when the
    // reference price is non-zero, else "-".
    static QString formatRateText(float rate, int decimals, float reference);
    // Above 1e8: "x.xx亿"; above 1e4: "x.xx万"; else an integer.
    static QString formatVolText(float value);
    // Fixed-point with `decimals` decimals, 0 included.
    static QString formatFixedText(float value, int decimals);
    // Up "#FF3D3D", down "#0FC351", unchanged (or a close of 0) "#FFFFFF".
    static QString priceColor(float close, float reference);
    // "B" red, "S" green, anything else white.
    static QString windColor(const QString& tag);

    // Copies the updater "UpDate1" of folder `dir` to "UpDate1.run" (with its
    // exec bit) and starts the copy detached in `dir` with `args`, so that the
    // updater may replace its own file. False when the updater is missing, the
    // copy cannot be made (folder not writable) or does not start.
    static bool startUpdater(const QString& dir, const QStringList& args);

public slots:
    QVariant getPriceColor(float close, float pclose);
    QVariant getWindColor(QString tag);
    QVariant formatPrice(float price, uint fixed);
    QVariant formatRate(float price, uint fixed, float cur_close);
    QVariant formatVol(float vol);
    QVariant formatFixed(float f, uint fixed);
    QVariant mac();
    QVariant getCpuId();
    QVariant getDiskNum();
    // Starts the updater of the current folder (the installation) with the
    // program's name, "version.json" and the server address url.update1.
    QVariant updateExe();
    QVariant stringWidth(QString str, QString name, int size, int weight);
};
