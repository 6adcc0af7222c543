#include "editor/ui/pages/TitlePage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "project/Catalogues.h"

namespace velmora::editor {

TitlePage::TitlePage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    auto* g = new QGridLayout(this);
    g->addWidget(BindCheck("允许显示幻灯片头标题文字：", &Project::EnableOpening), 0, 0);
    txtOpening_ = new QLineEdit;
    g->addWidget(txtOpening_, 0, 1);
    btnOpeningImage_ = new QPushButton("片头图片...");
    g->addWidget(btnOpeningImage_, 0, 2);
    g->addWidget(BindCheck("允许显示幻灯片尾标题文字：", &Project::EnableEnding), 1, 0);
    txtEnding_ = new QLineEdit;
    g->addWidget(txtEnding_, 1, 1);
    btnEndingImage_ = new QPushButton("片尾图片...");
    g->addWidget(btnEndingImage_, 1, 2);
    btnOpeningImage_->setEnabled(false);
    btnEndingImage_->setEnabled(false);
    g->addWidget(new QLabel("标题动画"), 2, 0);
    cboTitleStyle_ = new QComboBox;
    for (auto t : kTitleStyles)
        cboTitleStyle_->addItem(Q(t));
    connect(cboTitleStyle_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!loading() && i >= 0)
            project().TitleStyle = i;
    });
    g->addWidget(cboTitleStyle_, 2, 1);
    btnTitleStyle_ = new QPushButton("标题文字样式...");
    BindTextStyle(btnTitleStyle_, 4);
    g->addWidget(btnTitleStyle_, 2, 2);
    g->setRowStretch(3, 1);
}

void TitlePage::Refresh() {
    EditorPage::Refresh();
    cboTitleStyle_->setCurrentIndex(std::clamp(project().TitleStyle, 0, 2));
    txtOpening_->setText(Q(project().TitleText[0]));
    txtEnding_->setText(Q(project().TitleText[1]));
}

void TitlePage::Sync() {
    project().TitleText[0] = S(txtOpening_->text());
    project().TitleText[1] = S(txtEnding_->text());
}

}  // namespace velmora::editor
