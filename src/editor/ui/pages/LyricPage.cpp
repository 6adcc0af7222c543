#include "editor/ui/pages/LyricPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "project/Catalogues.h"

namespace velmora::editor {

LyricPage::LyricPage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    auto* l = new QVBoxLayout(this);
    l->addWidget(BindCheck("允许显示歌词", &Project::EnableLyric));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("歌词样式"));
    cboStyle_ = new QComboBox;
    for (auto t : kLyricStyles)
        cboStyle_->addItem(Q(t));
    connect(cboStyle_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!loading() && i >= 0)
            project().LyricStyle = i;
    });
    row->addWidget(cboStyle_, 1);
    btnStyle_ = new QPushButton("歌词文字样式...");
    BindTextStyle(btnStyle_, 3);
    row->addWidget(btnStyle_);
    auto* btnDynamic = new QPushButton("设置动态歌词字体");
    btnDynamic->setObjectName("btnLyricDynamicFont");
    BindTextStyle(btnDynamic, 5);
    row->addWidget(btnDynamic);
    l->addLayout(row);
    list_ = new QListWidget;
    l->addWidget(list_, 1);
    auto* row2 = new QHBoxLayout;
    lblFolder_ = new QLabel("指定歌词目录：");
    btnFolder_ = new QPushButton("选择目录...");
    btnAddLyrics_ = new QPushButton("添加歌词文件");
    btnFolder_->setEnabled(false);
    btnAddLyrics_->setEnabled(false);
    row2->addWidget(lblFolder_, 1);
    row2->addWidget(btnFolder_);
    row2->addWidget(btnAddLyrics_);
    l->addLayout(row2);
}

void LyricPage::ReloadList() {
    LoadingScope loading(session());
    list_->clear();
    for (const auto& s : project().lyricFiles)
        list_->addItem(Q(s));
    if (list_->count() > 0)
        list_->setCurrentRow(0);
}

void LyricPage::Refresh() {
    EditorPage::Refresh();
    cboStyle_->setCurrentIndex(std::clamp(project().LyricStyle, 0, 3));
    lblFolder_->setText(project().LyricFolder.empty() ? QString("指定歌词目录：")
                                                      : Q(project().LyricFolder));
}

}  // namespace velmora::editor
