#include "ziparchive.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSet>

#include <zip.h>

#include <sys/stat.h>

#include <memory>

namespace updater {

namespace {

QString damaged(const QString& what)
{
    return QStringLiteral("压缩文件已损坏:") + what;
}

}  // namespace

ZipArchive::~ZipArchive()
{
    close();
}

void ZipArchive::close()
{
    if (archive_)
        zip_discard(archive_);
    archive_ = nullptr;
    items_.clear();
}

bool ZipArchive::open(const QString& path, const ZipLimits& limits, QString* error)
{
    close();
    path_ = path;
    const qint64 fileSize = QFileInfo(path).size();
    int code = 0;
    archive_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive_) {
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        qWarning("zip %s: %s", qPrintable(path), zip_error_strerror(&e));
        zip_error_fini(&e);
        *error = QStringLiteral("无法读取压缩文件:") + QFileInfo(path).fileName();
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    if (count < 0 || count > limits.maxEntries) {
        close();
        *error = QStringLiteral("压缩文件条目过多:") + QFileInfo(path).fileName();
        return false;
    }
    items_.reserve(int(count));
    qint64 total = 0;
    QSet<QByteArray> names;
    for (zip_int64_t i = 0; i < count; ++i) {
        ZipItem item;
        item.index = quint64(i);
        const char* raw = zip_get_name(archive_, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        zip_stat_t st;
        zip_stat_init(&st);
        if (!raw || zip_stat_index(archive_, zip_uint64_t(i), 0, &st) != 0 ||
            (st.valid & (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE)) != (ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE)) {
            close();
            *error = damaged(QFileInfo(path).fileName());
            return false;
        }
        item.rawName = QByteArray(raw);
        item.name = QString::fromUtf8(item.rawName);
        item.isDir = item.rawName.endsWith('/');
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(archive_, zip_uint64_t(i), 0, &system, &attributes) == 0 &&
            system == ZIP_OPSYS_UNIX) {
            const unsigned mode = attributes >> 16;
            // A mode of 0 (no type) counts as a plain file or folder.
            item.isSpecial = (mode & S_IFMT) != 0 && !S_ISREG(mode) && !S_ISDIR(mode);
            item.isDir = item.isDir || S_ISDIR(mode);
            item.permissions = QFileDevice::Permissions(
                QFlag(int(((mode & 0700) << 2) | ((mode & 0700) << 6) | ((mode & 070) << 1) | (mode & 07))));
        }
        // Sizes beyond any sane file (an unpacked size near 2 or 4 GiB, a
        // packed size larger than the archive) are damage, not data.
        if (st.size > zip_uint64_t(limits.maxUnpacked) || st.comp_size > zip_uint64_t(fileSize)) {
            const bool tooBig = st.comp_size <= zip_uint64_t(fileSize);
            const QString name = item.name;
            close();
            *error = tooBig ? QStringLiteral("压缩文件过大:") + name : damaged(name);
            return false;
        }
        item.size = qint64(st.size);
        item.packed = qint64(st.comp_size);
        if (item.size > limits.ratioFloor && item.size / qMax<qint64>(item.packed, 1) > limits.maxRatio) {
            const QString name = item.name;
            close();
            *error = QStringLiteral("压缩文件过大:") + name;
            return false;
        }
        total += item.size;
        if (total > limits.maxUnpacked) {
            close();
            *error = QStringLiteral("压缩文件过大:") + QFileInfo(path).fileName();
            return false;
        }
        // Two entries for one path would make the result depend on order.
        QByteArray key = item.rawName;
        while (key.endsWith('/'))
            key.chop(1);
        if (names.contains(key)) {
            close();
            *error = damaged(item.name);
            return false;
        }
        names.insert(key);
        items_.append(item);
    }
    return true;
}

bool ZipArchive::extract(const ZipItem& item, QIODevice& out, QString* error)
{
    if (!archive_ || item.isDir || item.isSpecial) {
        *error = damaged(item.name);
        return false;
    }
    const auto closeFile = [](zip_file_t* f) { zip_fclose(f); };
    std::unique_ptr<zip_file_t, decltype(closeFile)> file(zip_fopen_index(archive_, item.index, 0), closeFile);
    if (!file) {
        *error = damaged(item.name);
        return false;
    }
    constexpr qint64 piece = 64 * 1024;
    std::unique_ptr<char[]> buffer(new char[piece]);
    qint64 done = 0;
    for (;;) {
        // One byte more than declared may be asked for, to see a lie.
        const qint64 want = qMin(piece, item.size - done + 1);
        const zip_int64_t n = zip_fread(file.get(), buffer.get(), zip_uint64_t(want));
        if (n < 0) {  // damaged data or a CRC that does not match
            qWarning("zip %s: %s: %s", qPrintable(path_), qPrintable(item.name),
                     zip_error_strerror(zip_file_get_error(file.get())));
            *error = damaged(item.name);
            return false;
        }
        if (n == 0)
            break;
        done += n;
        if (done > item.size) {
            *error = damaged(item.name);
            return false;
        }
        if (out.write(buffer.get(), n) != n) {
            *error = QStringLiteral("写入文件错误:") + item.name;
            return false;
        }
    }
    if (done != item.size) {
        *error = damaged(item.name);
        return false;
    }
    return true;
}

}  // namespace updater
