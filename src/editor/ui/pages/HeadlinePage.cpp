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

#include "editor/ui/EffectPreview.h"
#include "project/Catalogues.h"
#include "render/Composer.h"
#include "render/qt/QtTextRenderer.h"

namespace velmora::editor {

namespace {
// The preview picture: a 4:3 frame.
constexpr int32_t kPreviewW = 320, kPreviewH = 240;
}  // namespace

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
    BindTextStyle(btnStyle_, 2);
    fl->addWidget(btnStyle_);
    btnPreview_ = new QPushButton("预览");
    connect(btnPreview_, &QPushButton::clicked, this, [this] { PreviewEffect(); });
    fl->addWidget(btnPreview_);
    l->addWidget(fraEffect_);
    preview_ = new EffectPreview;
    preview_->setFixedSize(kPreviewW, kPreviewH);
    preview_->setToolTip("单击预览画面停止");
    l->addWidget(preview_, 0, Qt::AlignHCenter);
    l->addWidget(new QLabel(Q(kDirect3DMarkNote)));
}

void HeadlinePage::PreviewEffect() {
    if (!CanRun() || preview_->running())
        return;
    const int32_t count = project().NowI();
    const int32_t k = count < 1 ? 0 : std::clamp(session().currentPhoto(), 1, count);
    render::Surface slide;
    ComposePreviewSlide(k, kPreviewW, kPreviewH, slide);
    preview_->ShowPicture(slide);
    PhotoEntry photo = k >= 1 ? project().photos[static_cast<size_t>(k - 1)] : PhotoEntry{};
    if (photo.Headline.empty())
        photo.Headline = "动态文字";
    const ProjectEnvironment& env = session().environment();
    const render::FrameScale scale =
        render::ScaleToFrame(kPreviewW, kPreviewH, env.screenW, env.screenH);
    const QByteArray& rainbow = host_.rainbowTexture();
    render::QtTextRenderer text(std::vector<uint8_t>(rainbow.begin(), rainbow.end()));
    preview_->PlayTextEffect(std::clamp(cboEffect_->currentIndex(), 0, 8), text,
                             render::Composer::HeadlineRequest(project(), photo, scale));
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
