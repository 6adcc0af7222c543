#include "editor/ui/pages/BackgroundPage.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "project/Catalogues.h"

namespace velmora::editor {

BackgroundPage::BackgroundPage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    auto* g = new QGridLayout(this);
    optSolid_ = new QRadioButton("固定单种颜色");
    optGradient_ = new QRadioButton("渐变颜色");
    optPicture_ = new QRadioButton("用图片作为背景");
    auto* bg = new QButtonGroup(this);
    bg->addButton(optSolid_, 1);
    bg->addButton(optGradient_, 2);
    bg->addButton(optPicture_, 3);
    connect(bg, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !loading())
            project().BackGroundSet = std::to_string(id);
    });
    g->addWidget(optSolid_, 0, 0);
    g->addWidget(ColourSwatch(&Project::SolidColor), 0, 1);
    g->addWidget(optGradient_, 1, 0);
    g->addWidget(ColourSwatch(&Project::BeginColor), 1, 1);
    g->addWidget(ColourSwatch(&Project::EndColor), 1, 2);
    cboGradient_ = new QComboBox;
    for (auto t : kGradientDirections)
        cboGradient_->addItem(Q(t));
    connect(cboGradient_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!loading() && i >= 0)
            project().BackgroundGradientMode = i;
    });
    g->addWidget(cboGradient_, 1, 3);
    g->addWidget(optPicture_, 2, 0);
    btnPicture_ = new QPushButton("选择背景图片...");
    btnPicture_->setEnabled(false);  // the picture chooser comes with the file dialog
    g->addWidget(btnPicture_, 2, 1);
    cboPicturePlacement_ = new QComboBox;
    for (auto t : kBackgroundPicturePlacements)
        cboPicturePlacement_->addItem(Q(t));
    connect(cboPicturePlacement_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!loading() && i >= 0)
            project().BackgroundDrawScale = 2 * i + 2;
    });
    g->addWidget(cboPicturePlacement_, 2, 2);
    lblPicture_ = new QLabel;
    g->addWidget(lblPicture_, 3, 0, 1, 4);
    g->addWidget(new QLabel("图片比例"), 4, 0);
    cboPlacement_ = new QComboBox;
    for (auto t : kPlacementModes)
        cboPlacement_->addItem(Q(t));
    connect(cboPlacement_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!loading() && i >= 0)
            project().ImgDrawScale = i;
    });
    g->addWidget(cboPlacement_, 4, 1, 1, 2);
    g->setRowStretch(5, 1);
}

void BackgroundPage::Refresh() {
    EditorPage::Refresh();
    const Project& p = project();
    cboPlacement_->setCurrentIndex(std::clamp(p.ImgDrawScale, 0, 4));
    cboGradient_->setCurrentIndex(std::clamp(p.BackgroundGradientMode, 0, 3));
    cboPicturePlacement_->setCurrentIndex(std::clamp(p.BackgroundDrawScale / 2 - 1, 0, 1));
    optSolid_->setChecked(p.BackGroundSet == "1");
    optGradient_->setChecked(p.BackGroundSet == "2");
    optPicture_->setChecked(p.BackGroundSet == "3");
    lblPicture_->setText(Q(p.BackGroundPicture));
}

}  // namespace velmora::editor
