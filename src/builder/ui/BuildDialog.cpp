#include "builder/ui/BuildDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/Rounding.h"

namespace velmora {

const QStringList& BuildDialog::VideoSizes() {
    static const QStringList sizes = {
        QStringLiteral("720*480"),         QStringLiteral("720*576"),
        QStringLiteral("768*576 (4:3)"),   QStringLiteral("1024*768 (4:3)"),
        QStringLiteral("768*432 (16:9)"),  QStringLiteral("1024*576 (16:9)"),
        QStringLiteral("768*480 (16:10)"), QStringLiteral("1024*640 (16:10)")};
    return sizes;
}

int BuildDialog::PreselectedVideoSize(int screenWidth, int screenHeight) {
    if (screenHeight <= 0)
        return 2;
    int r = nearest(static_cast<double>(screenWidth) / screenHeight * 100);
    return r < 150 ? 2 : 4;
}

bool BuildDialog::ParseVideoSize(const QString& text, int& width, int& height) {
    int star = text.indexOf('*');
    if (star <= 0)
        return false;
    bool okW = false, okH = false;
    int w = text.left(star).trimmed().toInt(&okW);
    QString after = text.mid(star + 1, 4);
    after.remove(' ');
    int h = after.toInt(&okH);
    if (!okW || !okH || w <= 0 || h <= 0)
        return false;
    width = w;
    height = h;
    return true;
}

BuildDialog::BuildDialog(Project& project, int screenWidth, int screenHeight, QWidget* parent)
    : QDialog(parent), project_(project) {
    setWindowTitle(QStringLiteral("创建图片幻灯"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    QFont bold = font();
    bold.setBold(true);
    optPackage_ = new QRadioButton(QStringLiteral("完整图片幻灯文件（包括图片和音乐）"), this);
    optPreview_ =
        new QRadioButton(QStringLiteral("本机播放图片幻灯文件（不打包图片和音乐）"), this);
    optExportAvi_ =
        new QRadioButton(QStringLiteral("保存为AVI视频文件（不支持“图片动态漂移”）"), this);
    for (QRadioButton* b : {optPackage_, optPreview_, optExportAvi_}) {
        b->setFont(bold);
        layout->addWidget(b);
    }
    chkIncludeFont_ = new QCheckBox(QStringLiteral("打包字体"), this);
    layout->addWidget(chkIncludeFont_);
    chkChooseCodec_ =
        new QCheckBox(QStringLiteral("让我自行选择系统中已安装的编码器（高级用户使用）"), this);
    layout->addWidget(chkChooseCodec_);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(QStringLiteral("视频尺寸："), this));
    comboVideoSize_ = new QComboBox(this);
    sizeRow->addWidget(comboVideoSize_, 1);
    layout->addLayout(sizeRow);
    confirm_ = new QPushButton(QStringLiteral("确定"), this);
    confirm_->setDefault(true);
    layout->addWidget(confirm_, 0, Qt::AlignRight);

    // 1. Flags cleared on every opening.
    includeFonts_ = chooseCodec_ = false;
    // 2. The remembered choice.
    if (project_.IsExportAvi) {
        optExportAvi_->setChecked(true);
    } else if (project_.IsPackage) {
        optPackage_->setChecked(true);
        previewMode_ = true;
    } else {
        optPreview_->setChecked(true);
        previewMode_ = false;
    }
    // 3. Frame sizes, preselected by the screen's shape.
    comboVideoSize_->addItems(VideoSizes());
    comboVideoSize_->setCurrentIndex(PreselectedVideoSize(screenWidth, screenHeight));

    connect(optPackage_, &QRadioButton::clicked, this, [this] {
        project_.IsPackage = true;
        previewMode_ = true;
        project_.IsExportAvi = false;
    });
    connect(optPreview_, &QRadioButton::clicked, this, [this] {
        project_.IsPackage = false;
        previewMode_ = false;
        project_.IsExportAvi = false;
    });
    connect(optExportAvi_, &QRadioButton::clicked, this, [this] {
        project_.IsExportAvi = true;
        project_.IsPackage = false;
        previewMode_ = false;
    });
    connect(chkIncludeFont_, &QCheckBox::toggled, this, [this](bool on) { includeFonts_ = on; });
    connect(chkChooseCodec_, &QCheckBox::toggled, this, [this](bool on) { chooseCodec_ = on; });
    connect(confirm_, &QPushButton::clicked, this, &BuildDialog::Confirm);
}

BuildDialog::Choice BuildDialog::choice() const {
    if (project_.IsExportAvi)
        return Choice::ExportAvi;
    return previewMode_ ? Choice::Package : Choice::LocalPlayback;
}

void BuildDialog::Confirm() {
    if (confirming_)
        return;  // a second press while the first is handled
    confirming_ = true;
    if (project_.IsExportAvi) {
        int w = 0, h = 0;
        if (ParseVideoSize(comboVideoSize_->currentText(), w, h)) {
            videoWidth_ = w;
            videoHeight_ = h;
        }
    } else if (!previewMode_ && project_.TxtSetting[0].empty()) {
        project_.TxtSetting[0] = "未命名图片幻灯";
    }
    accept();
    confirming_ = false;
}

}  // namespace velmora
