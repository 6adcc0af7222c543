// Makes Qt's part of the window Chinese too: the standard dialogs and
// buttons (file dialog, message boxes, colour and font choosers) through
// Qt's own zh_CN translations, and every text through an interface font that
// has Chinese glyphs (app/InterfaceFont.h chooses it).
//
// Call both once, after the QApplication exists and before any window is
// made. User-interface thread only.
#pragma once

#include <QString>

class QCoreApplication;

namespace velmora {

// Loads and installs Qt's qtbase_zh_CN translations from Qt's translations
// folder (QLibraryInfo::TranslationsPath) and makes zh_CN the default locale.
// False when the translation file is missing (Qt's dialogs then stay English).
bool InstallQtChineseTranslations(QCoreApplication& app);

// Sets the application font to the chosen Chinese-capable face, keeping
// Qt's default size, and returns its family. When no installed face draws
// Chinese, the font stays as it is, NoChineseFontMessage() goes to standard
// error and the result is empty.
QString ApplyInterfaceFont();

}  // namespace velmora
