#include "editor/ui/pages/InfoPage.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "project/Catalogues.h"

namespace velmora::editor {

InfoPage::InfoPage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    auto* g = new QGridLayout(this);
    for (int i = 0; i < kInfoTextCount; ++i) {
        g->addWidget(new QLabel(Q(kInfoLabels[static_cast<size_t>(i)]) + "："), i, 0);
        QWidget* box;
        if (i == 4) {
            // The description: several lines.
            auto* e = new QPlainTextEdit;
            connect(e, &QPlainTextEdit::textChanged, this, [this, e] {
                if (!loading())
                    project().TxtSetting[4] = S(e->toPlainText());
            });
            box = e;
        } else {
            auto* e = new QLineEdit;
            connect(e, &QLineEdit::textChanged, this, [this, i](const QString& t) {
                if (!loading())
                    project().TxtSetting[static_cast<size_t>(i)] = S(t);
            });
            box = e;
        }
        boxes_[static_cast<size_t>(i)] = box;
        g->addWidget(box, i, 1, 1, 2);
    }
    btnLogo_ = new QPushButton("标志图片...");
    btnIcon_ = new QPushButton("自定义图标...");
    btnLogo_->setEnabled(false);
    btnIcon_->setEnabled(false);
    g->addWidget(btnLogo_, kInfoTextCount, 1);
    g->addWidget(btnIcon_, kInfoTextCount, 2);
}

void InfoPage::Refresh() {
    EditorPage::Refresh();
    for (int i = 0; i < kInfoTextCount; ++i) {
        QString t = Q(project().TxtSetting[static_cast<size_t>(i)]);
        if (auto* e = qobject_cast<QLineEdit*>(boxes_[static_cast<size_t>(i)]))
            e->setText(t);
        if (auto* e = qobject_cast<QPlainTextEdit*>(boxes_[static_cast<size_t>(i)]))
            e->setPlainText(t);
    }
}

}  // namespace velmora::editor
