// A zip archive read through libzip for untrusted downloads: the central
// directory is checked for consistency when opened, every entry's name and
// sizes against caps, and file entries are streamed out in bounded pieces,
// never more than their declared size, with their CRC checked at the end.
#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QVector>

class QIODevice;
struct zip;

namespace updater {

struct ZipLimits {
    qint64 maxUnpacked = qint64(1) << 30;  // all entries together, unpacked
    qint64 maxEntries = 65535;
    // Entries unpacking to more than ratioFloor bytes may be at most
    // maxRatio times their packed size (a zip bomb is far beyond that).
    qint64 ratioFloor = qint64(1) << 20;
    qint64 maxRatio = 100;
};

struct ZipItem {
    quint64 index = 0;
    QByteArray rawName;  // as the central directory stores it
    QString name;        // rawName as UTF-8
    bool isDir = false;
    bool isSpecial = false;                // a link, device or pipe: never unpacked
    qint64 size = 0;                       // declared unpacked size
    qint64 packed = 0;                     // declared packed size
    QFileDevice::Permissions permissions;  // from a Unix mode; empty without one
};

class ZipArchive {
public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Opens the archive and checks its directory, sizes and caps; on failure
    // `error` says why and nothing is open.
    bool open(const QString& path, const ZipLimits& limits, QString* error);
    const QVector<ZipItem>& items() const { return items_; }

    // Writes one file entry to `out` in 64 KiB pieces. Fails when the data
    // is damaged, longer or shorter than declared, or a write fails.
    bool extract(const ZipItem& item, QIODevice& out, QString* error);

private:
    void close();

    zip* archive_ = nullptr;
    QString path_;
    QVector<ZipItem> items_;
};

}  // namespace updater
