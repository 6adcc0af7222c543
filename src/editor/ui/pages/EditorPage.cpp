#include "editor/ui/pages/EditorPage.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QPushButton>

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

}  // namespace velmora::editor
