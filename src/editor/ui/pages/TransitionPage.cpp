#include "editor/ui/pages/TransitionPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/ui/EffectPreview.h"
#include "project/Catalogues.h"

namespace velmora::editor {

namespace {
// The preview picture: a 4:3 frame.
constexpr int32_t kPreviewW = 320, kPreviewH = 240;
}  // namespace

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
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(list_, 1);
    preview_ = new EffectPreview;
    preview_->setFixedSize(kPreviewW, kPreviewH);
    preview_->setToolTip("单击预览画面停止");
    listRow->addWidget(preview_, 0, Qt::AlignTop);
    fl->addLayout(listRow, 1);
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
    // The preview plays the entry under the cursor of the list (the last one
    // clicked), whether or not it is chosen, and leaves the choice alone.
    btnPreview_ = new QPushButton("预览");
    connect(btnPreview_, &QPushButton::clicked, this,
            [this] { PreviewTransition(list_->currentRow()); });
    row->addWidget(btnPreview_);
    fl->addLayout(row);
    l->addWidget(fraTransition_, 1);
    l->addWidget(new QLabel(Q(kDirect3DMarkNote)));
}

void TransitionPage::PreviewTransition(int code) {
    if (code < 0 || code >= kTransitionCount || !CanRun() || preview_->running())
        return;
    const int32_t count = project().NowI();
    if (count < 1)
        return;
    const int32_t from = std::clamp(session().currentPhoto(), 1, count);
    const int32_t to = from < count ? from + 1 : 1;
    render::Surface a, b;
    ComposePreviewSlide(from, kPreviewW, kPreviewH, a);
    ComposePreviewSlide(to, kPreviewW, kPreviewH, b);
    preview_->ShowPicture(a);
    preview_->PlayTransition(code, b);
}

void TransitionPage::Refresh() {
    EditorPage::Refresh();
    for (int k = 0; k < kTransitionCount; ++k)
        list_->item(k)->setSelected(project().TransitionChosen[static_cast<size_t>(k)]);
}

}  // namespace velmora::editor
