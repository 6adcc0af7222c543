#include "app/ui/EditorMain.h"

#include <QApplication>
#include <QLockFile>
#include <QTimer>

#include "app/AppPaths.h"
#include "app/ui/ChineseInterface.h"
#include "app/ui/MainWindow.h"
#include "base/AppInfo.h"

namespace velmora {

int RunEditor(int argc, char** argv, const std::string& projectFile) {
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
    if (!projectFile.empty()) {
        // Opened once the window is up, so that its messages have a parent.
        const QString file = QString::fromStdString(projectFile);
        QTimer::singleShot(0, &w, [&w, file] { w.OpenProject(file); });
    }
    return app.exec();
}

}  // namespace velmora
