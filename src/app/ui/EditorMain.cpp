#include "app/ui/EditorMain.h"

#include <QApplication>
#include <QLockFile>

#include "app/AppPaths.h"
#include "app/ui/ChineseInterface.h"
#include "app/ui/MainWindow.h"
#include "base/AppInfo.h"

namespace velmora {

int RunEditor(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QString::fromUtf8(kProductName));
    app.setApplicationVersion(QString::fromUtf8(kVersionText));
    InstallQtChineseTranslations(app);
    ApplyInterfaceFont();

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
