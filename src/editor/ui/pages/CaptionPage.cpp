#include "editor/ui/pages/CaptionPage.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::editor {

CaptionPage::CaptionPage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    auto* l = new QVBoxLayout(this);
    l->addWidget(BindCheck("允许显示静态文字：", &Project::EnableCaption));
    txtCaption_ = new QPlainTextEdit;
    connect(txtCaption_, &QPlainTextEdit::textChanged, this, [this] {
        const int k = session().currentPhoto();
        if (loading() || k < 1 || k > project().NowI())
            return;
        project().photos[static_cast<size_t>(k - 1)].Caption = S(txtCaption_->toPlainText());
    });
    l->addWidget(txtCaption_, 1);
    auto* row = new QHBoxLayout;
    btnStyle_ = new QPushButton("静态文字样式...");
    btnApplyToAll_ = new QPushButton("应用到所有图片");
    BindTextStyle(btnStyle_, 1);
    btnApplyToAll_->setEnabled(false);
    row->addWidget(btnStyle_);
    row->addWidget(btnApplyToAll_);
    row->addStretch(1);
    l->addLayout(row);
}

void CaptionPage::ShowPhoto() {
    LoadingScope loading(session());
    const int k = session().currentPhoto();
    if (k >= 1 && k <= project().NowI())
        txtCaption_->setPlainText(Q(project().photos[static_cast<size_t>(k - 1)].Caption));
    else
        txtCaption_->clear();
}

}  // namespace velmora::editor
