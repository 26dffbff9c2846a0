// UpDate1: brings the installation in the current directory up to a remote
// version manifest. Arguments: the main program's executable, the version
// file's name, the manifest's URL.
#include <QApplication>
#include <QDir>

#include <cstdio>

#include "dialog.h"
#include "installfiles.h"

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    if (argc < 4) {
        std::fprintf(stderr, "usage: UpDate1 <program> <version file> <manifest URL>\n");
        return 1;
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    // Both names are files of the installation.
    const QString root = QDir::cleanPath(QDir::currentPath());
    if (updater::checkedJoin(root, args.at(1)).isEmpty() || updater::checkedJoin(root, args.at(2)).isEmpty()) {
        std::fprintf(stderr, "usage: UpDate1 <program> <version file> <manifest URL>\n");
        return 1;
    }
    Dialog dialog;
    dialog.checkVersion(args.at(1), args.at(2), args.at(3));
    return app.exec();
}
