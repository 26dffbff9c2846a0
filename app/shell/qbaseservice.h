// QBaseService: the QML face of the settings stores, the indicator catalogue's
// names, parameters and groups, and the user's own indicator groups
// (formula_group_own.json). It holds no state: every instance, QML-created or
// a temporary in native code, sees the same process-wide stores (the user's
// groups that failed to save among them, kept until a save goes through).
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QVariant>

#include <string>

class QBaseService : public QObject {
    Q_OBJECT
public:
    explicit QBaseService(QObject* parent = nullptr);

    // The user group file's path in the data directory.
    static QString localFormulaGroupPath();
    // The parameter file's path in the data directory, in the file system's
    // encoding: start-up loads it, setFormulaParam saves it.
    static std::string formulaParamFile();

public slots:
    // GUI thread, unless noted. Results are null, a QJsonObject, a QJsonArray
    // or a QJsonValue (see settings::valueAtPath).
    QVariant getBaseInfo();
    QVariant getBaseInfoValue(QString path);
    // Any thread.
    QVariant getLoginValue(QString path);
    void setLoginInfo(QJsonObject json);
    // Any thread.
    QVariant getServerAddressValue(QString path);
    void setServerAddress(QJsonObject json);

    // flag 0: main-chart list, 1: sub-chart list, else all; [{name}].
    QVariant getFormulaNames(int flag, bool unused);
    // [{name, value, min, max}] of the current or the default values; null
    // for a name the catalogue does not hold.
    QVariant getFormula(QString name);
    QVariant getFormulaDefault(QString name);
    // Stores json.args[i].value (four significant digits) as the formula's
    // parameter i and saves every value to index.param.
    void setFormulaParam(QString name, QJsonObject json);
    // The catalogue's groups as [{name}], then the user's group objects.
    QVariant getFormulaGroupNames();
    // The catalogue group's formula names; when it has none, the formulas of
    // every user group of that name.
    QVariant getFormulaGroup(QString name);

    QVariant getLoadLocalFormulaGroup();
    void addLocalFormulaGroup(QJsonObject json);
    void editLocalFormulaGroup(QString old_name, QString name);
    void removeLocalFormulaGroup(QString old_name);

private:
    static QJsonArray readLocalGroups();
    static void writeLocalGroups(const QJsonArray& groups);
    static int findLocalGroup(const QJsonArray& groups, const QString& name);
};
