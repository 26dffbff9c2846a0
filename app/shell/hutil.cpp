#include "shell/hutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QJsonValue>
#include <QNetworkInterface>

#include "platform/machineid.h"
#include "platform/process.h"
#include "shell/core/theme.h"
#include "shell/settingsstores.h"

namespace {

const QString kUp = QString::fromStdString(theme::hexName(theme::kUpColor));
const QString kDown = QString::fromStdString(theme::hexName(theme::kDownColor));
const QString kFlat = QString::fromStdString(theme::hexName(theme::kFlatColor));

// Qt's fixed-point text of a single-precision value, widened exactly.
QString fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals < 0 ? 0 : decimals);
}

}  // namespace

HUtil::HUtil(QObject* parent) : QObject(parent) {}

QString HUtil::formatPriceText(float value, int decimals)
{
    return value == 0.0f ? QStringLiteral("-") : fixed(value, decimals);
}

QString HUtil::formatRateText(float rate, int decimals, float reference)
{
    if (rate != 0.0f)
        return fixed(rate, decimals) + QLatin1Char('%');
    return reference != 0.0f ? QStringLiteral("0.00%") : QStringLiteral("-");
}

QString HUtil::formatVolText(float value)
{
    if (value > 100000000.0f)
        return fixed(double(value) / 100000000.0, 2) + QStringLiteral("亿");
    if (value > 10000.0f)
        return fixed(double(value) / 10000.0, 2) + QStringLiteral("万");
    return fixed(value, 0);
}

QString HUtil::formatFixedText(float value, int decimals)
{
    return fixed(value, decimals);
}

QString HUtil::priceColor(float close, float reference)
{
    if (close > reference)
        return kUp;
    if (close == reference || close == 0.0f)
        return kFlat;
    return kDown;
}

QString HUtil::windColor(const QString& tag)
{
    if (tag == QLatin1String("B"))
        return kUp;
    if (tag == QLatin1String("S"))
        return kDown;
    return kFlat;
}

QVariant HUtil::getPriceColor(float close, float pclose)
{
    return priceColor(close, pclose);
}
QVariant HUtil::getWindColor(QString tag)
{
    return windColor(tag);
}
QVariant HUtil::formatPrice(float price, uint fixed)
{
    return formatPriceText(price, int(qMin(fixed, 64u)));
}
QVariant HUtil::formatRate(float price, uint fixed, float cur_close)
{
    return formatRateText(price, int(qMin(fixed, 64u)), cur_close);
}
QVariant HUtil::formatVol(float vol)
{
    return formatVolText(vol);
}
QVariant HUtil::formatFixed(float f, uint fixed)
{
    return formatFixedText(f, int(qMin(fixed, 64u)));
}

// GUI thread. The hardware address that sorts last among the interfaces that
// are up and running; "" when there is none.
QVariant HUtil::mac()
{
    QString best;
    const auto all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& ni : all) {
        const auto f = ni.flags();
        if (!(f & QNetworkInterface::IsUp) || !(f & QNetworkInterface::IsRunning))
            continue;
        const QString addr = ni.hardwareAddress();
        if (best.isEmpty() || addr > best)
            best = addr;
    }
    return best;
}

QVariant HUtil::getCpuId()
{
    return QString::fromStdString(platform::processor_id());
}
QVariant HUtil::getDiskNum()
{
    return QString::fromStdString(platform::disk_serial());
}

bool HUtil::startUpdater(const QString& dir, const QStringList& args)
{
    const QString updater = dir + QStringLiteral("/UpDate1");
    const QString copy = dir + QStringLiteral("/UpDate1.run");
    const QFileInfo info(updater);
    if (!info.isFile())
        return false;
    // A copy runs, so that the updater may replace its own file.
    if ((QFileInfo::exists(copy) || QFileInfo(copy).isSymLink()) && !QFile::remove(copy))
        return false;
    if (!QFile::copy(updater, copy))
        return false;
    if (!QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ExeOwner | QFile::ReadOwner))
        return false;
    std::vector<std::string> argv;
    argv.reserve(size_t(args.size()));
    for (const QString& a : args)
        argv.push_back(a.toStdString());
    return platform::start_detached(QFile::encodeName(copy).toStdString(), argv, QFile::encodeName(dir).toStdString());
}

// GUI thread. The updater gets the program's executable name, the version
// file's name and the manifest URL, and works in the current folder.
QVariant HUtil::updateExe()
{
    const QJsonObject base = settings::baseInfo();
    const QVariant url = settings::valueAtPath(settings::serverAddresses(), QStringLiteral("url.update1"));
    const QString urlText =
        url.userType() == qMetaTypeId<QJsonValue>() ? url.value<QJsonValue>().toVariant().toString() : QString();
    const QStringList args{base.value(QStringLiteral("appName")).toString(), QStringLiteral("version.json"), urlText};
    return startUpdater(QDir::currentPath(), args);
}

// GUI thread.
QVariant HUtil::stringWidth(QString str, QString name, int size, int weight)
{
    QFont font(name);
    font.setPixelSize(size > 0 ? size : 1);
    font.setWeight(qBound(0, weight, 99));
    return QFontMetrics(font).horizontalAdvance(str);
}
