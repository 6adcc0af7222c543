#include "app/ui/EditorMain.h"

#include <QApplication>
#include <QLockFile>

#include "base/AppInfo.h"
#include "app/AppPaths.h"
#include "app/ui/MainWindow.h"

namespace velmora {

int RunEditor(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QString::fromUtf8(kProductName));
    app.setApplicationVersion(QString::fromUtf8(kVersionText));

    AppPaths paths = ResolveAppPaths();
    // One editor per working folder: a second instance ends at once.
    QLockFile lock(QString::fromStdString(paths.Lock()));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return 0;

    MainWindow w(paths);
    w.Load();
    w.show();
    return app.exec();
}

}  // namespace velmora
