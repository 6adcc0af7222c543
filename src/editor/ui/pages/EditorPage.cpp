#include "editor/ui/pages/EditorPage.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QPushButton>
#include <vector>

#include "render/Composer.h"
#include "render/TextRenderer.h"
#include "render/qt/QtTextRenderer.h"
#include "render/ui/TextStyleDialog.h"

namespace velmora::editor {

void SetTip(QWidget* w, const QString& tip) {
    w->setProperty("velmoraTip", tip);
}

EditorPage::EditorPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host) {}

void EditorPage::Refresh() {
    for (auto& [c, field] : checks_)
        c->setChecked(project().*field);
    for (auto& [b, field] : swatches_)
        UpdateSwatch(b, project().*field);
}

QCheckBox* EditorPage::BindCheck(const QString& text, bool Project::*field) {
    auto* c = new QCheckBox(text);
    connect(c, &QCheckBox::toggled, this, [this, field](bool on) {
        if (!loading())
            project().*field = on;
    });
    checks_.emplace_back(c, field);
    return c;
}

void EditorPage::UpdateSwatch(QPushButton* b, Colour c) {
    QColor q(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    b->setStyleSheet(QString("background-color: %1; min-width: 48px;").arg(q.name()));
}

QPushButton* EditorPage::ColourSwatch(Colour Project::*field) {
    auto* b = new QPushButton;
    b->setFlat(false);
    connect(b, &QPushButton::clicked, this, [this, b, field] {
        if (!CanRun())
            return;
        Colour c = project().*field;
        QColor q = QColorDialog::getColor(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF),
                                          host_.dialogParent());
        if (!q.isValid())
            return;  // cancelled: the colour stays
        project().*field = q.red() | q.green() << 8 | q.blue() << 16;
        UpdateSwatch(b, project().*field);
    });
    swatches_.emplace_back(b, field);
    return b;
}

void EditorPage::BindTextStyle(QPushButton* button, int target) {
    connect(button, &QPushButton::clicked, this, [this, target] {
        if (!CanRun())
            return;
        const QByteArray& rainbow = host_.rainbowTexture();
        std::vector<uint8_t> bytes(rainbow.begin(), rainbow.end());
        if (!render::EditTextStyle(host_.dialogParent(), project(), target,
                                   session().currentPhoto(), std::move(bytes)))
            return;
        // A new lyric font changes the height of a lyric line.
        if (target == kLyricSlot) {
            render::QtTextRenderer measure;
            const TextStyle& st = project().style(kLyricSlot);
            project().LyricPos.H =
                render::LyricLineHeight(measure, st.fFontName, st.fFontSize, st.fFontStyle);
        }
    });
}

void EditorPage::ComposePreviewSlide(int32_t photoNumber, int32_t width, int32_t height,
                                     render::Surface& surface) {
    const ProjectEnvironment& env = session().environment();
    const render::FrameScale scale = render::ScaleToFrame(width, height, env.screenW, env.screenH);
    const QByteArray& rainbow = host_.rainbowTexture();
    render::QtTextRenderer text(std::vector<uint8_t>(rainbow.begin(), rainbow.end()));
    render::Composer composer(&text);
    surface.Resize(width, height);
    composer.ComposePhotoSlide(project(), photoNumber, surface, scale);
}

}  // namespace velmora::editor
