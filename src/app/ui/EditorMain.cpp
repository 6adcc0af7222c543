#include "app/ui/EditorMain.h"

#include <QApplication>
#include <QMainWindow>

namespace velmora {

int RunEditor(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.show();
    return app.exec();
}

}  // namespace velmora
