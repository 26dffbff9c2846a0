// The favourites of CQuorvexDialog: the list view, applying a set, and the file.
#include <cerrno>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QSignalBlocker>

#include "favouritesarchive.h"
#include "messageboxes.h"
#include "platform/savefile.h"
#include "quorvexdialog.h"

namespace {

std::u16string toU16(const QString& s)
{
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

QString fromU16(const std::u16string& s)
{
    return QString::fromUtf16(s.data(), static_cast<int>(s.size()));
}

QByteArray bytes(const std::string& s)
{
    return QByteArray(s.data(), static_cast<int>(s.size()));
}

std::string str(const QByteArray& b)
{
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

}  // namespace

void CQuorvexDialog::loadFavourites()
{
    favourites_.clear();
    favouriteList_->clear();
    favouritesRead_ = favouritesPath_;
    if (!favouritesPath_.isEmpty() && !QFileInfo::exists(favouritesPath_) && !legacyPath_.isEmpty() &&
        QFileInfo::exists(legacyPath_))
        favouritesRead_ = legacyPath_;  // saved under the new name from the next OK on
    std::string data;
    const int error = platform::read_file(QFile::encodeName(favouritesRead_).toStdString(), &data);
    if (error == ENOENT)
        return;  // no file: no favourites
    if (error != 0) {
        // Not taken for an empty file: it is kept as .bad before the next OK
        // writes the favourites in its place.
        favouritesDamaged_ = true;
        message(QStringLiteral("无法读取收藏文件 %1：%2，保存时原文件将另存为 .bad")
                    .arg(QDir::toNativeSeparators(favouritesRead_),
                         QString::fromStdString(platform::read_error_text(error))));
        return;
    }
    std::vector<quorvex::ArchivedFavourite> read;
    if (!quorvex::readFavourites(data.data(), data.size(), &read)) {
        favouritesDamaged_ = true;
        qWarning("Quorvex: the favourites file %s is damaged; kept %zu favourites, the file is kept as .bad on save",
                 qPrintable(favouritesPath_), read.size());
    }
    favourites_.reserve(static_cast<int>(read.size()));
    for (const quorvex::ArchivedFavourite& a : read) {
        FavouriteSet f;
        f.name = fromU16(a.name);
        for (const quorvex::ArchivedCondition& ac : a.conditions) {
            ScreeningCondition c;
            c.fmlName = bytes(ac.fmlName);
            // A damaged file's period is brought into 3..11 before it can be sent.
            c.period = qBound(3, ac.period, 2 + kPeriodCount);
            c.fmlType = ac.fmlType;
            c.fmlParams = bytes(ac.fmlParams);
            // Until re-linked, the template copy holds only the values.
            for (const std::u16string& v : ac.values)
                c.tmpl.argRanges.append(ArgRange{fromU16(v), QString(), QString()});
            f.conditions.append(std::move(c));
        }
        favourites_.append(std::move(f));
    }
    // The rows stand from the start, so row i is always favourite i, also
    // before the templates have arrived.
    const QSignalBlocker block(favouriteList_);
    for (const FavouriteSet& f : favourites_)
        addFavouriteItem(f.name);
}

bool CQuorvexDialog::SaveFavourites()
{
    std::vector<quorvex::ArchivedFavourite> out;
    out.reserve(static_cast<size_t>(favourites_.size()));
    for (const FavouriteSet& f : favourites_) {
        quorvex::ArchivedFavourite a;
        a.name = toU16(f.name);
        for (const ScreeningCondition& c : f.conditions) {
            quorvex::ArchivedCondition ac;
            ac.fmlName = str(c.fmlName);
            ac.period = c.period;
            ac.fmlType = c.fmlType;
            ac.fmlParams = str(c.fmlParams);
            for (const ArgRange& r : c.tmpl.argRanges)
                ac.values.push_back(toU16(r.value));
            a.conditions.push_back(std::move(ac));
        }
        out.push_back(std::move(a));
    }
    const std::string data = quorvex::writeFavourites(out);

    if (favouritesDamaged_) {
        // Every damaged file is kept (numbered, never one over another)
        // before the new one takes its place; an older-named file read
        // instead is not written over, so it stays as it was.
        if (favouritesRead_ == favouritesPath_ && QFileInfo::exists(favouritesPath_) &&
            platform::keep_bad_copy(QFile::encodeName(favouritesPath_).toStdString()).empty()) {
            message(QStringLiteral("无法保存收藏文件的备份: %1.bad").arg(QDir::toNativeSeparators(favouritesPath_)));
            return false;
        }
        favouritesDamaged_ = false;
    }
    const int error = platform::replace_file(QFile::encodeName(favouritesPath_).toStdString(), data);
    if (error != 0) {
        // The favourites stay as they are in the dialog: the next OK tries again.
        message(QStringLiteral("无法写入文件 %1: %2")
                    .arg(QDir::toNativeSeparators(favouritesPath_),
                         QString::fromStdString(platform::save_error_text(error))));
        return false;
    }
    return true;
}

void CQuorvexDialog::accept()
{
    if (SaveFavourites())
        hide();
}

void CQuorvexDialog::relinkFavourites()
{
    for (FavouriteSet& f : favourites_) {
        for (ScreeningCondition& c : f.conditions) {
            const auto found = std::find_if(templates_.cbegin(), templates_.cend(),
                                            [&c](const ConditionTemplate& t) { return t.key == c.fmlName; });
            if (found == templates_.cend())
                continue;
            const QStringList values = c.values();
            c.tmpl = *found;
            for (int i = 0; i < values.size(); ++i) {
                if (i >= c.tmpl.argRanges.size())
                    c.tmpl.argRanges.append(ArgRange{});
                c.tmpl.argRanges[i].value = values[i];
            }
        }
    }
}

QListWidgetItem* CQuorvexDialog::addFavouriteItem(const QString& name)
{
    auto* item = new QListWidgetItem(name, favouriteList_);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item;
}

void CQuorvexDialog::AddFavourite()
{
    favourites_.append(FavouriteSet{QStringLiteral("新分组"), conditions_});
    QListWidgetItem* item;
    {
        const QSignalBlocker block(favouriteList_);
        item = addFavouriteItem(favourites_.last().name);
    }
    favouriteList_->setFocus();
    favouriteList_->setCurrentItem(item);
    favouriteList_->editItem(item);
}

void CQuorvexDialog::ApplyFavourite(int index)
{
    if (index < 0 || index >= favourites_.size())
        return;
    const QSignalBlocker block(conditionList_);
    conditionList_->clear();
    conditions_.clear();
    for (const ScreeningCondition& c : favourites_[index].conditions)
        appendCondition(c);
}

void CQuorvexDialog::DeleteFavourite()
{
    const QList<QListWidgetItem*> selected = favouriteList_->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = favouriteList_->row(selected.first());
    const QSignalBlocker block(favouriteList_);
    delete favouriteList_->takeItem(row);
    favourites_.remove(row);
}

void CQuorvexDialog::RenameFavourite()
{
    const QList<QListWidgetItem*> selected = favouriteList_->selectedItems();
    if (selected.isEmpty())
        return;
    favouriteList_->setFocus();
    favouriteList_->editItem(selected.first());
}
