#include "render/ui/TextStyleDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "render/Raster.h"
#include "render/TextStyleChoices.h"
#include "render/qt/QtTextRenderer.h"

namespace velmora::render {

namespace {

constexpr int kSampleW = 560, kSampleH = 170;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

QColor ColourToQColor(Colour c) {
    const auto u = static_cast<uint32_t>(c);
    return QColor(static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF),
                  static_cast<int>((u >> 16) & 0xFF));
}

Colour QColorToColour(const QColor& c) {
    return static_cast<Colour>(static_cast<uint32_t>(c.red()) |
                               static_cast<uint32_t>(c.green()) << 8 |
                               static_cast<uint32_t>(c.blue()) << 16);
}

TextStyleDialog::TextStyleDialog(const Project& project, int target,
                                 std::vector<uint8_t> rainbowJpeg, QWidget* parent)
    : QDialog(parent),
      target_(std::clamp(target, 1, kDynamicLyricTarget)),
      copy_(LoadStyleTarget(project, target_)),
      text_(std::make_unique<QtTextRenderer>(std::move(rainbowJpeg))) {
    setObjectName("FrmFont");
    setWindowTitle(QStringLiteral("选择字体风格"));
    setModal(true);
    chooseColour = [this](const QColor& initial, const QString& title) -> std::optional<QColor> {
        QColor c = QColorDialog::getColor(initial, this, title);
        if (!c.isValid())
            return std::nullopt;
        return c;
    };

    listName_ = new QListWidget(this);
    listName_->setObjectName("ListName");
    for (const std::string& f : EnumerateFontFamilies())
        listName_->addItem(Q(f));
    listName_->setMinimumWidth(220);

    auto combo = [this](const char* name, const QStringList& items) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->addItems(items);
        return c;
    };
    QStringList sizes, aligns, patterns, borders, styles;
    for (int32_t s : FontSizeChoices(target_))
        sizes << QString::number(s);
    for (const std::string& s : AlignmentNames())
        aligns << Q(s);
    for (const std::string& s : FillPatternNames(target_))
        patterns << Q(s);
    for (int b = 0; b <= 5; ++b)
        borders << QString::number(b);
    for (const std::string& s : FontStyleNames())
        styles << Q(s);
    listSize_ = combo("ListSize", sizes);
    listAlign_ = combo("ListAlign", aligns);
    listPattern_ = combo("ListPattern", patterns);
    listBorderSize_ = combo("ListBorderSize", borders);
    listStyle_ = combo("ListStyle", styles);

    auto swatch = [this](const char* name, const char* hint) {
        auto* b = new QPushButton(this);
        b->setObjectName(name);
        b->setToolTip(QString::fromUtf8(hint));
        b->setFixedSize(64, 24);
        b->setFlat(true);
        b->setAutoFillBackground(true);
        return b;
    };
    lblStartColor_ = swatch("LblStartColor", "点击选择字体颜色");
    lblEndColor_ = swatch("LblEndColor", "点击选择字体渐变颜色");
    lblBorderColor_ = swatch("LblBorderColor", "点击选择字体边框颜色");

    sample_ = new QLabel(this);
    sample_->setObjectName("Sample");
    sample_->setFixedSize(kSampleW, kSampleH);
    sample_->setFrameShape(QFrame::StyledPanel);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("大小："), listSize_);
    form->addRow(QStringLiteral("风格："), listStyle_);
    form->addRow(QStringLiteral("位置："), listAlign_);
    form->addRow(QStringLiteral("填充："), listPattern_);
    form->addRow(QStringLiteral("边框宽度："), listBorderSize_);
    auto* colours = new QHBoxLayout;
    colours->addWidget(lblStartColor_);
    colours->addWidget(lblEndColor_);
    colours->addStretch();
    form->addRow(QStringLiteral("颜色："), colours);
    form->addRow(QStringLiteral("边框颜色："), lblBorderColor_);

    auto* top = new QHBoxLayout;
    auto* fontColumn = new QVBoxLayout;
    fontColumn->addWidget(new QLabel(QStringLiteral("字体："), this));
    fontColumn->addWidget(listName_);
    top->addLayout(fontColumn);
    top->addLayout(form);

    auto* ok = new QPushButton(QStringLiteral(" 确定 "), this);
    ok->setObjectName("OK");
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName("Cancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(sample_);
    layout->addLayout(buttons);

    const StyleControls controls = ControlsForTarget(target_);
    listName_->setEnabled(controls.font);
    listSize_->setEnabled(controls.size);
    listAlign_->setEnabled(controls.alignment);
    listBorderSize_->setEnabled(controls.border);
    listStyle_->setEnabled(controls.style);
    lblBorderColor_->setEnabled(controls.borderColour);

    Select();
    UpdateSwatches();
    UpdateSample();

    connect(listName_, &QListWidget::currentTextChanged, this, [this](const QString& t) {
        if (!t.isEmpty()) {
            copy_.fFontName = t.toStdString();
            UpdateSample();
        }
    });
    connect(listSize_, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        bool okNumber = false;
        const int v = t.toInt(&okNumber);
        if (okNumber) {
            copy_.fFontSize = v;
            UpdateSample();
        }
    });
    connect(listAlign_, &QComboBox::activated, this, [this](int i) {
        copy_.fFontAlign = i;
        UpdateSample();
    });
    connect(listPattern_, &QComboBox::activated, this, [this](int i) {
        copy_.fFontPattern = FillPatternCode(target_, i);
        UpdateSample();
    });
    connect(listBorderSize_, &QComboBox::activated, this, [this](int i) {
        copy_.fBorderWidth = i;
        UpdateSample();
    });
    connect(listStyle_, &QComboBox::activated, this, [this](int i) {
        copy_.fFontStyle = i;
        UpdateSample();
    });
    connect(lblStartColor_, &QPushButton::clicked, this, [this] { ChooseColour(0); });
    connect(lblEndColor_, &QPushButton::clicked, this, [this] { ChooseColour(1); });
    connect(lblBorderColor_, &QPushButton::clicked, this, [this] { ChooseColour(2); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TextStyleDialog::~TextStyleDialog() = default;

void TextStyleDialog::Select() {
    // A font that is not installed selects nothing and stays as it is.
    const QList<QListWidgetItem*> found =
        listName_->findItems(Q(copy_.fFontName), Qt::MatchExactly | Qt::MatchCaseSensitive);
    listName_->blockSignals(true);
    if (!found.isEmpty()) {
        listName_->setCurrentItem(found.front());
        listName_->scrollToItem(found.front());
    } else {
        listName_->setCurrentRow(-1);
    }
    listName_->blockSignals(false);
    listSize_->blockSignals(true);
    listSize_->setCurrentIndex(listSize_->findText(QString::number(copy_.fFontSize)));
    listSize_->blockSignals(false);
    listAlign_->setCurrentIndex(copy_.fFontAlign >= 0 && copy_.fFontAlign <= 8 ? copy_.fFontAlign
                                                                               : -1);
    listPattern_->setCurrentIndex(FillPatternPosition(target_, copy_.fFontPattern));
    listBorderSize_->setCurrentIndex(
        copy_.fBorderWidth >= 0 && copy_.fBorderWidth <= 5 ? copy_.fBorderWidth : -1);
    listStyle_->setCurrentIndex(copy_.fFontStyle >= 0 && copy_.fFontStyle <= 3 ? copy_.fFontStyle
                                                                               : -1);
}

void TextStyleDialog::ChooseColour(int which) {
    Colour* c = which == 0   ? &copy_.FontStartColor
                : which == 1 ? &copy_.FontEndColor
                             : &copy_.BorderColor;
    const QString title = which == 0   ? QStringLiteral("字体颜色")
                          : which == 1 ? QStringLiteral("字体渐变颜色")
                                       : QStringLiteral("字体边框颜色");
    if (!chooseColour)
        return;
    std::optional<QColor> picked = chooseColour(ColourToQColor(*c), title);
    if (!picked || !picked->isValid())
        return;
    *c = QColorToColour(*picked);
    UpdateSwatches();
    UpdateSample();
}

void TextStyleDialog::UpdateSwatches() {
    auto paint = [](QPushButton* b, Colour c) {
        b->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #555;")
                             .arg(ColourToQColor(c).name()));
    };
    paint(lblStartColor_, copy_.FontStartColor);
    paint(lblEndColor_, copy_.FontEndColor);
    paint(lblBorderColor_, copy_.BorderColor);
}

void TextStyleDialog::UpdateSample() {
    Surface s(kSampleW, kSampleH, 0xFF707070u);
    // A checked backdrop so that light, dark and translucent parts all show.
    for (int32_t y = 0; y < kSampleH; ++y)
        for (int32_t x = 0; x < kSampleW; ++x)
            if (((x / 16) + (y / 16)) % 2 == 0)
                s.setPixel(x, y, 0xFF5A5A5Au);
    TextDrawRequest r;
    r.text = SampleTextForTarget(target_);
    r.alignment = target_ == 1 ? copy_.fFontAlign : 4;
    r.fontName = copy_.fFontName;
    // Large sizes are shown at a size the sample can hold.
    r.emSize = std::clamp(copy_.fFontSize, 8, 96);
    r.fontStyle = copy_.fFontStyle;
    r.x = 6;
    r.y = 6;
    r.width = kSampleW - 12;
    r.height = kSampleH - 12;
    r.borderWidth = copy_.fBorderWidth;
    r.fillPattern = copy_.fFontPattern;
    r.firstColour = ToArgb(copy_.FontStartColor, 255);
    r.secondColour = ToArgb(copy_.FontEndColor, 255);
    r.borderColour = ToArgb(copy_.BorderColor, 170);
    text_->DrawText(s, r);
    sampleImage_ = QImage(reinterpret_cast<const uchar*>(s.data()), s.width(), s.height(),
                          static_cast<qsizetype>(s.bytesPerLine()), QImage::Format_RGB32)
                       .copy();
    sample_->setPixmap(QPixmap::fromImage(sampleImage_));
}

QImage TextStyleDialog::sampleImage() const {
    return sampleImage_;
}

void TextStyleDialog::StoreInto(Project& project, int currentPhoto) const {
    StoreStyleTarget(project, target_, copy_, currentPhoto);
}

bool EditTextStyle(QWidget* parent, Project& project, int target, int currentPhoto,
                   std::vector<uint8_t> rainbowJpeg) {
    TextStyleDialog dialog(project, target, std::move(rainbowJpeg), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.StoreInto(project, currentPhoto);
    return true;
}

}  // namespace velmora::render
