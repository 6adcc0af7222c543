#include "app/ui/ChineseInterface.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QRawFont>
#include <QTranslator>
#include <algorithm>
#include <cstdio>

#include "app/InterfaceFont.h"

namespace velmora {

bool InstallQtChineseTranslations(QCoreApplication& app) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto* translator = new QTranslator(&app);
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

namespace {

// Whether the face Qt opens for family really draws the sample (Qt may map
// a family name to another face than fontconfig listed).
bool QtDrawsSample(const QString& family) {
    QFont font(family);
    font.setStyleStrategy(QFont::NoFontMerging);
    QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid() || raw.familyName().compare(family, Qt::CaseInsensitive) != 0)
        return false;
    return std::all_of(std::begin(kInterfaceSample), std::end(kInterfaceSample),
                       [&](char32_t c) { return raw.supportsCharacter(static_cast<uint>(c)); });
}

}  // namespace

QString ApplyInterfaceFont() {
    std::vector<FontFace> faces = InstalledFaces();
    while (auto face = ChooseInterfaceFace(faces)) {
        const QString family = QString::fromStdString(face->family);
        if (QtDrawsSample(family)) {
            QFont font = QApplication::font();
            font.setFamilies({family});
            QApplication::setFont(font);
            return family;
        }
        // Qt cannot use this family: try the next best one.
        std::erase_if(faces, [&](const FontFace& f) { return f.family == face->family; });
    }
    std::fprintf(stderr, "%s\n", NoChineseFontMessage().c_str());
    return {};
}

}  // namespace velmora
