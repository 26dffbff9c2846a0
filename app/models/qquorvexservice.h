// QQuorvexService: the QML face of the screening store. The screening groups
// are kept in "Quorvex.json" of the data directory; a new instance reloads
// the file when it changed on the disk since the store last had it, and every
// add, remove and edit writes it (atomically, on the writer thread). Every
// live instance re-emits the library's notifications from the event loop.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QVariant>

class QQuorvexService : public QObject {
    Q_OBJECT
public:
    // GUI thread: connects to the library bridge and reads the file.
    explicit QQuorvexService(QObject* parent = nullptr);

    // `id`, or when a group already has it, the first free "id #n" (n = 2, 3,
    // ...), so that two results of one second stay apart.
    QString freeGroupId(const QString& id) const;

signals:
    void updateQuorvex();
    void updateActionCmd(QString str);

public slots:
    void onDataChange();
    void onSyncActionCmd(QString str);

    void fromJson(QString json_str);
    QVariant getJson() const;
    QVariant getGroups() const;
    // {ids: [...], names: [...]} of every group, in order: what a group bar
    // shows, cheap for thousands of groups.
    QVariant getGroupTitles() const;
    QVariant getGroupCodes(QString group_id) const;
    void addGroup(QString id, QString name, QVariant codes);
    void removeGroup(QString group_id);
    void editGroup(QString group_id, QString name);
    void showQuorvex(QString appName, QString host, QString user, QString auth, int option);
    // A web page's notification {type, data}, answered as the dialog's would be.
    QVariant quorvexResponse(QJsonObject jObj);

public:
    // GUI thread. Reads the file into the store, as at start.
    static void loadFile();

private:
    void saveJson(const QJsonObject& doc);
};
