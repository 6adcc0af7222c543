#include "editor/ui/pages/OptionsPage.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "project/Catalogues.h"

namespace velmora::editor {

OptionsPage::OptionsPage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    auto* l = new QVBoxLayout(this);
    l->addWidget(BindCheck("随机不重复地循环显示图片", &Project::PlayPhotoInRamdomOrder));
    l->addWidget(BindCheck("忽略鼠标的移动", &Project::IgnoreMouseMove));
    l->addWidget(BindCheck("显示鼠标并且忽略所有鼠标事件", &Project::ShowCursor));
    l->addWidget(BindCheck("开启图片动态漂移效果(#)", &Project::EnableFloating));
    l->addWidget(BindCheck("允许用户导出幻灯的图片和音乐文件", &Project::EnableExport));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("导出密码："));
    txtExportPassword_ = new QLineEdit;
    connect(txtExportPassword_, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!loading())
            project().ExportPassword = S(t);
    });
    row->addWidget(txtExportPassword_, 1);
    l->addLayout(row);
    l->addWidget(new QLabel(Q(kDirect3DMarkNote)));
    l->addStretch(1);
}

void OptionsPage::Refresh() {
    EditorPage::Refresh();
    txtExportPassword_->setText(Q(project().ExportPassword));
}

void OptionsPage::Sync() {
    project().ExportPassword = S(txtExportPassword_->text());
}

}  // namespace velmora::editor
