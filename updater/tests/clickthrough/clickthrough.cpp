// The updater as a user drives it, in a process of its own (so a test can
// kill it): the same command line as UpDate1, and every button that becomes
// enabled is clicked ("更新", then "立即更新").
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

#include "dialog.h"
#include "messageboxes.h"

namespace {

class PrintedBoxes : public MessageBoxes {
public:
    void critical(QWidget*, const QString& title, const QString& text) override
    {
        std::fprintf(stderr, "box: %s|%s\n", qPrintable(title), qPrintable(text));
    }
};

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4)
        return 1;
    PrintedBoxes boxes;
    Dialog dialog(&boxes);
    auto* get = dialog.findChild<QPushButton*>("getButton");
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (dialog.isVisible() && get->isEnabled())
            get->click();
    });
    user.start(5);
    dialog.checkVersion(args.at(1), args.at(2), args.at(3));
    return app.exec();
}
