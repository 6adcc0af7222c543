#include "editor/ui/pages/HeadlinePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "project/Catalogues.h"

namespace velmora::editor {

HeadlinePage::HeadlinePage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    auto* l = new QVBoxLayout(this);
    l->addWidget(BindCheck("允许显示动态文字", &Project::EnableHeadlineEffect));
    txtHeadline_ = new QPlainTextEdit;
    connect(txtHeadline_, &QPlainTextEdit::textChanged, this, [this] {
        const int k = session().currentPhoto();
        if (loading() || k < 1 || k > project().NowI())
            return;
        project().photos[static_cast<size_t>(k - 1)].Headline = S(txtHeadline_->toPlainText());
    });
    l->addWidget(txtHeadline_, 1);
    fraEffect_ = new QGroupBox("动态文字特效");
    auto* fl = new QHBoxLayout(fraEffect_);
    cboEffect_ = new QComboBox;
    for (const auto& e : kHeadlineEffectCatalogue)
        cboEffect_->addItem(Q(e.text));
    connect(cboEffect_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (loading() || i < 0)
            return;
        project().selectedHeadlineEffect = i;
        // The current photo's headline takes the effect when the preview
        // device can show it.
        const int k = session().currentPhoto();
        if (k >= 1 && k <= project().NowI() && host_.Direct3DError().isEmpty()) {
            auto& e = project().photos[static_cast<size_t>(k - 1)];
            if (!e.Headline.empty())
                e.HeadDynamicStyle = i;
        }
    });
    fl->addWidget(cboEffect_, 1);
    btnStyle_ = new QPushButton("动态文字样式...");
    btnStyle_->setEnabled(false);
    fl->addWidget(btnStyle_);
    l->addWidget(fraEffect_);
    l->addWidget(new QLabel(Q(kDirect3DMarkNote)));
}

void HeadlinePage::Refresh() {
    EditorPage::Refresh();
    cboEffect_->setCurrentIndex(std::clamp(project().selectedHeadlineEffect, 0, 8));
}

void HeadlinePage::ShowPhoto() {
    LoadingScope loading(session());
    const int k = session().currentPhoto();
    if (k >= 1 && k <= project().NowI())
        txtHeadline_->setPlainText(Q(project().photos[static_cast<size_t>(k - 1)].Headline));
    else
        txtHeadline_->clear();
}

}  // namespace velmora::editor
