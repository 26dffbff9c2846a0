// The updater's file rules: which server-given paths may be written, how
// version texts compare, and how archives are checked and unpacked (through
// the Installer) and paths removed.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QVector>

#include <functional>

namespace updater {

class ZipArchive;

// A version manifest: `source` (base URL of the downloads) and `files`
// (relative path -> version text). A document that is not a JSON object reads
// as empty; `source` is taken only when it is a text.
struct Manifest {
    QString source;
    QJsonObject files;
};
Manifest parseManifest(const QByteArray& json);

// True for a relative path that may be joined onto a folder: not empty, not
// absolute, without "..", a backslash, ':' or NUL.
bool isSafeRelativePath(const QString& relative);

// `root` + "/" + `relative`, cleaned, when `relative` is safe and the result
// lies inside `root` (is `root` itself only with allowRoot); "" otherwise.
// `root` is an absolute, clean path. Every path built from server data goes
// through here.
QString checkedJoin(const QString& root, const QString& relative, bool allowRoot = false);

// The folder part of a "/"-separated key ("" for a key without one).
QString keyDirectory(const QString& key);

// Negative when `local` is older than `remote`, 0 when equal, positive when
// newer. Two dot-separated numbers compare number by number (1.0.10 > 1.0.9,
// missing parts count as 0); other texts compare by UTF-16 code units.
int compareVersions(const QString& local, const QString& remote);

// A manifest's version value as text: a number reads as its digits (2 -> "2",
// 1.5 -> "1.5"), a text as itself, anything else as "".
QString versionText(const QJsonValue& value);

// The path each entry of an open archive unpacks to under `destDir` (""
// for links and other special entries, which are skipped); false when an
// entry's stored name is not a safe relative path inside `destDir`.
bool zipTargets(const ZipArchive& zip, const QString& destDir, QVector<QString>* targets, QString* error);

// Proves a downloaded archive whole before anything is stopped or replaced:
// its directory, sizes and caps, every entry's path under `destDir`, and a
// real unpacking of each file into a scratch file in `scratchDir` (removed).
bool checkZip(const QString& zipPath, const QString& destDir, const QString& scratchDir, QString* error);

// Unpacks the zip archive into `destDir` as a whole (see Installer): every
// entry path is checked before anything is written; symbolic-link entries are
// skipped; each file's size and CRC are verified. New files take the entry's
// mode masked to 0755. `onFile` is told each file entry's path before it is
// unpacked.
bool unpackZip(const QString& zipPath, const QString& destDir, const std::function<void(const QString&)>& onFile,
               QString* error);

// Removes a file, or a folder with everything in it (links are removed, not
// followed). An empty or missing path is left alone. False when something stayed.
bool removePath(const QString& path);

}  // namespace updater
