// A second connection that holds the local database with an exclusive lock
// (no reading, no writing) until it is released or goes, as another process
// would.
#pragma once

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include "shell/datadir.h"
#include "shell/stockdictionary.h"

namespace testsupport {

class DatabaseHold {
public:
    explicit DatabaseHold(const char* connection) : name_(connection)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name_);
        db.setDatabaseName(localStorageDatabaseFile(dataDirectory(), "qelm"));
        db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
        held_ = db.open() && QSqlQuery(db).exec("BEGIN EXCLUSIVE");
        if (!held_)
            ADD_FAILURE() << "no lock: " << db.lastError().text().toStdString();
    }
    ~DatabaseHold() { release(); }
    DatabaseHold(const DatabaseHold&) = delete;
    DatabaseHold& operator=(const DatabaseHold&) = delete;

    void release()
    {
        if (!QSqlDatabase::contains(name_))
            return;
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            QSqlQuery(db).exec("ROLLBACK");
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }
    bool held() const { return held_; }

private:
    QString name_;
    bool held_ = false;
};

}  // namespace testsupport
