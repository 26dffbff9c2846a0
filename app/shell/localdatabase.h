// LocalDatabase: makes the local database "qelm" usable before the sign-in
// window opens it. A file that SQLite cannot read, a directory in its place,
// or command tables with other columns than the program writes would leave
// the window without a way to sign in; such a file is moved aside as
// "<file>.bad" (a later one as "<file>.2.bad", ...) and a fresh database
// takes its place, carrying over the queued stock-group edits and user
// actions that could still be read. The database and its settings file are
// created owner-only (0600): they hold the remembered password.
#pragma once

#include <QString>

struct LocalDatabaseCheck {
    bool movedAside = false;  // the old file is now `badPath`
    QString badPath;
    int keptCommands = 0;  // queued rows carried over from the damaged file
};

// GUI thread, before the QML side opens the database: checks and, when
// needed, replaces the database that the LocalStorage module keeps under
// `storagePath` for `name`. A connection the module holds open to it is
// closed first (the module reopens it on its next use); the module's
// connection waits at most 10 ms for a lock held elsewhere.
LocalDatabaseCheck checkLocalDatabase(const QString& storagePath, const QString& name);
