#include "editor/ui/pages/TransitionPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "project/Catalogues.h"

namespace velmora::editor {

TransitionPage::TransitionPage(PageHost& host, QWidget* parent) : EditorPage(host, parent) {
    auto* l = new QVBoxLayout(this);
    l->addWidget(BindCheck("允许使用图片切换特效", &Project::EnableTransition));
    fraTransition_ = new QGroupBox("图片切换特效");
    auto* fl = new QVBoxLayout(fraTransition_);
    list_ = new QListWidget;
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const auto& e : kTransitionCatalogue)
        list_->addItem(Q(e.text));
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        if (loading())
            return;
        for (int k = 0; k < kTransitionCount; ++k)
            project().TransitionChosen[static_cast<size_t>(k)] = list_->item(k)->isSelected();
    });
    fl->addWidget(list_, 1);
    auto* row = new QHBoxLayout;
    btnSelectAll_ = new QPushButton("选中所有图片切换特效");
    btnSelectNone_ = new QPushButton("不选中任何图片切换特效");
    connect(btnSelectAll_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            list_->selectAll();
    });
    connect(btnSelectNone_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            list_->clearSelection();
    });
    row->addWidget(btnSelectAll_);
    row->addWidget(btnSelectNone_);
    fl->addLayout(row);
    l->addWidget(fraTransition_, 1);
    l->addWidget(new QLabel(Q(kDirect3DMarkNote)));
}

void TransitionPage::Refresh() {
    EditorPage::Refresh();
    for (int k = 0; k < kTransitionCount; ++k)
        list_->item(k)->setSelected(project().TransitionChosen[static_cast<size_t>(k)]);
}

}  // namespace velmora::editor
