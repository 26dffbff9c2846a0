#include "shell/qbaseservice.h"

#include <optional>

#include <algorithm>

#include <QFile>
#include <QJsonDocument>
#include <QStringList>

#include "formulas/formulaservice.h"
#include "shell/core/paramformat.h"
#include "shell/datadir.h"
#include "shell/hfileio.h"
#include "shell/settingsstores.h"

namespace {

const QString kLocalGroupFile = QStringLiteral("formula_group_own.json");

QJsonArray paramList(const std::vector<formula::FormulaParam>& params)
{
    QJsonArray list;
    for (const formula::FormulaParam& p : params) {
        QJsonObject item;
        item.insert("name", QString::fromStdString(p.name));
        item.insert("value", static_cast<double>(p.value));
        item.insert("min", static_cast<double>(p.min));
        item.insert("max", static_cast<double>(p.max));
        list.append(item);
    }
    return list;
}

}  // namespace

QBaseService::QBaseService(QObject* parent) : QObject(parent) {}

QString QBaseService::localFormulaGroupPath()
{
    return HFileIO::dataPath(kLocalGroupFile);
}

std::string QBaseService::formulaParamFile()
{
    return QFile::encodeName(dataDirectory() + "/index.param").toStdString();
}

QVariant QBaseService::getBaseInfo()
{
    return settings::baseInfo();
}

QVariant QBaseService::getBaseInfoValue(QString path)
{
    return settings::valueAtPath(settings::baseInfo(), path);
}

QVariant QBaseService::getLoginValue(QString path)
{
    return settings::valueAtPath(settings::loginInfo(), path);
}

void QBaseService::setLoginInfo(QJsonObject json)
{
    settings::setLoginInfo(json);
}

QVariant QBaseService::getServerAddressValue(QString path)
{
    return settings::valueAtPath(settings::serverAddresses(), path);
}

void QBaseService::setServerAddress(QJsonObject json)
{
    settings::setServerAddresses(json);
}

QVariant QBaseService::getFormulaNames(int flag, bool)
{
    const int mask = flag == 0 ? formula::MainChartList : flag == 1 ? formula::SubChartList : formula::AllChartLists;
    QJsonArray names;
    for (const auto& entry : formula::FormulaService::instance().findByType(mask))
        names.append(QJsonObject{{"name", QString::fromStdString(entry->displayName)}});
    return names;
}

QVariant QBaseService::getFormula(QString name)
{
    const auto entry = formula::FormulaService::instance().find(name.toStdString());
    if (!entry)
        return settings::nullValue();
    return paramList(entry->params);
}

QVariant QBaseService::getFormulaDefault(QString name)
{
    const auto entry = formula::FormulaService::instance().find(name.toStdString());
    if (!entry)
        return settings::nullValue();
    return paramList(entry->defaultParams);
}

void QBaseService::setFormulaParam(QString name, QJsonObject json)
{
    formula::FormulaService& service = formula::FormulaService::instance();
    const auto entry = service.find(name.toStdString());
    if (!entry)
        return;
    const QJsonArray args = json.value("args").toArray();
    const int n = std::min(args.size(), static_cast<int>(entry->params.size()));
    for (int i = 0; i < n; ++i) {
        const std::string text = shellcore::formatParamValue(args[i].toObject().value("value").toDouble());
        entry->params[static_cast<size_t>(i)].value = shellcore::parseParamValue(text);
    }
    service.saveParams(formulaParamFile());
}

QVariant QBaseService::getFormulaGroupNames()
{
    QJsonArray names;
    for (const auto& group : formula::FormulaService::instance().groups())
        names.append(QJsonObject{{"name", QString::fromStdString(group->name)}});
    // Only groups the chart views can show: an object with a name and, when
    // present, a list of formulas; anything else in the file is left out.
    for (const QJsonValue& own : readLocalGroups()) {
        const QJsonObject group = own.toObject();
        const QJsonValue name = group.value("name");
        const QJsonValue formulas = group.value("formulas");
        if (own.isObject() && name.isString() && !name.toString().isEmpty() &&
            (formulas.isUndefined() || formulas.isArray()))
            names.append(own);
    }
    return names;
}

QVariant QBaseService::getFormulaGroup(QString name)
{
    QStringList formulas;
    if (const auto group = formula::FormulaService::instance().findGroup(name.toStdString())) {
        for (const std::string& f : group->formulas)
            formulas.append(QString::fromStdString(f));
    }
    if (formulas.isEmpty()) {
        for (const QJsonValue& own : readLocalGroups()) {
            const QJsonObject object = own.toObject();
            if (object.value("name").toString() != name)
                continue;
            for (const QJsonValue& f : object.value("formulas").toArray())
                formulas.append(f.toString());
        }
    }
    return formulas;
}

QVariant QBaseService::getLoadLocalFormulaGroup()
{
    return readLocalGroups();
}

void QBaseService::addLocalFormulaGroup(QJsonObject json)
{
    QJsonArray groups = readLocalGroups();
    groups.append(json);
    writeLocalGroups(groups);
}

void QBaseService::editLocalFormulaGroup(QString old_name, QString name)
{
    QJsonArray groups = readLocalGroups();
    const int i = findLocalGroup(groups, old_name);
    if (i < 0)
        return;
    QJsonObject group = groups[i].toObject();
    group.insert("name", name);
    groups[i] = group;
    writeLocalGroups(groups);
}

void QBaseService::removeLocalFormulaGroup(QString old_name)
{
    QJsonArray groups = readLocalGroups();
    const int i = findLocalGroup(groups, old_name);
    if (i < 0)
        return;
    groups.removeAt(i);
    writeLocalGroups(groups);
}

namespace {

// The user's groups as last edited when their save failed: read in place of
// the file and saved again with the next edit, so a failed save loses
// nothing (empty once a save went through).
std::optional<QJsonArray>& unsavedGroups()
{
    static std::optional<QJsonArray> groups;
    return groups;
}

// The groups in the file; nullopt when it has content that is not a list.
std::optional<QJsonArray> fileGroups(const QString& fileName)
{
    const QByteArray text = HFileIO::readData(fileName).toUtf8();
    if (text.isEmpty())
        return QJsonArray();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    return doc.array();
}

}  // namespace

QJsonArray QBaseService::readLocalGroups()
{
    if (unsavedGroups())
        return *unsavedGroups();
    return fileGroups(kLocalGroupFile).value_or(QJsonArray());
}

void QBaseService::writeLocalGroups(const QJsonArray& groups)
{
    // A file that did not read is moved aside (.bad) before the new list
    // takes its place, so groups written by hand or by another version are
    // not lost; while it cannot be moved, nothing is written over it.
    QString keptAs;
    if (!fileGroups(kLocalGroupFile) && (keptAs = HFileIO::keepBadCopy(kLocalGroupFile)).isEmpty()) {
        unsavedGroups() = groups;
        return;
    }
    // Written whole to a temporary file and renamed into place, so a crash
    // or a full disk never leaves half a file; what did not save is kept,
    // and a file moved aside for it goes back.
    if (HFileIO::writeData(kLocalGroupFile, QString::fromUtf8(QJsonDocument(groups).toJson(QJsonDocument::Indented)))) {
        unsavedGroups().reset();
    } else {
        unsavedGroups() = groups;
        if (!keptAs.isEmpty())
            QFile::rename(keptAs, localFormulaGroupPath());
    }
}

int QBaseService::findLocalGroup(const QJsonArray& groups, const QString& name)
{
    for (int i = 0; i < groups.size(); ++i) {
        if (groups[i].toObject().value("name").toString() == name)
            return i;
    }
    return -1;
}
