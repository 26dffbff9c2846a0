// One installation in a temporary folder for end-to-end runs of the updater:
// a version file, old files and the stand-in main program (FakeMain) running
// from it; and one run of the Dialog against a manifest URL, driven like a
// user who clicks whatever button becomes enabled.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "messageboxes.h"

class RecordingBoxes : public MessageBoxes {
public:
    void critical(QWidget*, const QString& title, const QString& text) override { shown << (title + "|" + text); }
    QStringList shown;
};

// What a run saw.
struct UpdateRun {
    int exitCode = -1;
    bool everShown = false;
    // At each click: the get button's text, the status text, the progress value.
    QList<QStringList> clicks;
    bool cancelVisibleAtEnd = true;
    QStringList boxes;
};

enum class UserAction { ClickThrough, Cancel };

class Installation {
public:
    Installation();
    ~Installation();  // stops every FakeMain it started

    const QString& path() const { return path_; }
    QString file(const QString& relative) const { return path_ + "/" + relative; }
    void write(const QString& relative, const QByteArray& data, int mode = 0644) const;
    QByteArray read(const QString& relative) const;
    bool exists(const QString& relative) const;
    bool tempExists() const { return exists("updaate_temp"); }

    // Starts FakeMain detached and waits for its pid line; its pid.
    int startProgram();
    QList<int> pids() const;
    // True while `pid` runs this installation's FakeMain (a zombie does not).
    bool running(int pid) const;
    // Waits until pids.txt holds `count` lines.
    bool waitForPids(int count) const;

    // Makes this the current directory and runs the updater's Dialog.
    UpdateRun run(const QString& manifestUrl, UserAction action = UserAction::ClickThrough) const;

private:
    QTemporaryDir dir_;
    QString path_;
};

// A manifest with its files in the given order, written by hand (spaces and a
// line break) so a byte-for-byte copy can be told from a re-serialised one.
QByteArray manifestText(const QString& source, const QList<QPair<QString, QString>>& files);
