#include "app/ui/MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QThread>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <filesystem>

#include "base/AppInfo.h"
#include "base/FileNames.h"
#include "base/FileUtil.h"
#include "base/Rounding.h"
#include "base/TextCodec.h"
#include "editor/ui/FrmSetSlideTime.h"
#include "editor/ui/ThumbnailCache.h"
#include "editor/ui/ThumbnailLoader.h"
#include "project/Catalogues.h"
#include "render/qt/QtImageCodec.h"

namespace velmora {

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string S(const QString& s) {
    return s.toStdString();
}

const char* const kPageCaptions[MainWindow::kPageCount] = {
    "编辑图片", "编辑音乐", "设置背景", "静态文字", "动态文字",
    "切换特效", "设置歌词", "片头片尾", "幻灯信息", "其他设定"};
const char* const kPageMenuTexts[MainWindow::kPageCount] = {
    "编辑图片(&P)", "编辑音乐(&M)", "屏幕设置(&S)", "静态文字(&C)", "动态文字(&H)",
    "切换特效(&T)", "歌词设置",     "片头和片尾",   "幻灯信息(&I)", "其他幻灯设置"};

const char* const kPendingSave =
    "图片幻灯设置已被修改，要将当前设置保存为配置文件吗？\r"
    "当需要修改这个幻灯时，通过点击“打开配置”按钮，可方便地再次加载所有的幻灯设置。";

const char* const kWebSite = "https://www.velmora.cn/";
const char* const kMailAddress = "mailto:support@velmora.cn";

// Float text as the duration boxes show it.
QString DurationText(float v) {
    return QString::number(static_cast<double>(v), 'g', 7);
}

float ParseDuration(const QString& text, float fallback) {
    bool ok = false;
    float v = text.trimmed().toFloat(&ok);
    return ok ? v : fallback;
}

void SetTip(QWidget* w, const QString& tip) {
    w->setProperty("velmoraTip", tip);
}

}  // namespace

MainWindow::MainWindow(const AppPaths& paths, QWidget* parent)
    : QMainWindow(parent), paths_(paths) {
    ask_ = [this](const QString& title, const QString& text, QMessageBox::StandardButtons buttons,
                  QMessageBox::Icon icon) {
        QMessageBox box(icon, title, text, buttons, this);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    };
    openUrl_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    chooseSavePath_ = [this](const QString& title, const QString& suggested) {
        QFileDialog dlg(this, title, Q(paths_.ProjectFolder()), "图片幻灯配置文件(*.aps)");
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix("aps");
        dlg.selectFile(suggested.trimmed());
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return QString();
        return dlg.selectedFiles().first();
    };
    chooseOpenPaths_ = [this](const QString& title, const QString& filter, const QString& folder) {
        QFileDialog dlg(this, title, folder, filter);
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        dlg.setFileMode(QFileDialog::ExistingFiles);
        if (dlg.exec() != QDialog::Accepted)
            return QStringList();
        return dlg.selectedFiles();
    };
    chooseOpenProject_ = [this](const QString& title) {
        QFileDialog dlg(this, title, Q(paths_.ProjectFolder()), "图片幻灯配置文件(*.aps)");
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        dlg.setFileMode(QFileDialog::ExistingFile);
        dlg.setDefaultSuffix("aps");
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return QString();
        return dlg.selectedFiles().first();
    };
    chooseFolder_ = [this](const QString& prompt, const QString& start) {
        return QFileDialog::getExistingDirectory(
            this, prompt, start, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    };
}

MainWindow::~MainWindow() = default;

QMessageBox::StandardButton MainWindow::Ask(const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::Icon icon, const QString& title) {
    return ask_(title, text, buttons, icon);
}

void MainWindow::Inform(const QString& text, QMessageBox::Icon icon) {
    ask_(Q(std::string_view(kProductName)), text, QMessageBox::Ok, icon);
}

void MainWindow::Load() {
    // Program folder and product identity.
    setWindowTitle(QString::fromUtf8(kProductName) + QString::fromUtf8(kVersionText));
    store_.SetProjectFolder(paths_.ProjectFolder());

    // Display measurement, the default face, the project's start-up defaults.
    MeasureScreen();
    QString uiFace = QApplication::font().family();
    env_.defaultFace = "Arial";
    for (const QString& f : QFontDatabase::families()) {
        if (f.compare(uiFace, Qt::CaseInsensitive) == 0) {
            env_.defaultFace = S(uiFace);
            break;
        }
    }
    project_ = MakeDefaultProject(env_);

    lastHighlight_ = palette().color(QPalette::Highlight);
    ReadResourcePack();
    // Thumbnails: decoded on worker threads, kept per photo number.
    render::InstallQtImageCodec();
    thumbs_ = std::make_unique<ThumbnailCache>(Q(paths_.Temp()));
    thumbLoader_ = new ThumbnailLoader(this);
    connect(thumbLoader_, &ThumbnailLoader::ready, this, &MainWindow::OnThumbnailReady);
    BuildUi();
    BuildMenus();

    // The lyric line height: "A幻灯j" in the lyric face and size, plus one.
    const TextStyle& lyric = project_.style(kLyricSlot);
    QFont lf(Q(lyric.fFontName));
    lf.setPixelSize(std::max(1, lyric.fFontSize));
    lf.setBold(lyric.fFontStyle & 1);
    env_.lyricLineHeight = QFontMetrics(lf).boundingRect(QStringLiteral("A幻灯j")).height();
    SetDefaultPlacements(project_, env_);

    // Preferences of the last run.
    if (FileExists(paths_.MirbIni())) {
        if (store_.LoadSettingsFile(paths_.MirbIni()))
            ReadProjectSettings(project_, store_, env_, true);
        store_.Clear();
        RefreshControls();
    }

    PrepareWorkingFolders(paths_);

    // The window icon from the program's own image.
    if (auto icon = pack_.Read("app.png")) {
        QPixmap pm;
        if (pm.loadFromData(icon->data(), static_cast<uint>(icon->size())))
            setWindowIcon(QIcon(pm));
    }

    // The live preview device of the effect pages is created by the preview
    // layer; without it, the effect pages carry no error caption and the
    // software effects stay available.

    // Default folders of the folder browser and the add dialogs.
    browseFolder_ = QDir::homePath();

    timer_ = new QTimer(this);
    timer_->setInterval(500);
    connect(timer_, &QTimer::timeout, this, &MainWindow::OnTimerTick);
    timer_->start();
}

void MainWindow::ReadResourcePack() {
    // A pack being replaced may be briefly unreadable: read again after
    // 100 ms pauses while the file exists, up to two seconds.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (pack_.Open(paths_.ResourcePack()))
            break;
        if (!FileExists(paths_.ResourcePack()))
            break;
        QThread::msleep(100);
    }
    if (pack_.entries().empty()) {
        qWarning("gmi.src could not be read: %s", paths_.ResourcePack().c_str());
        return;
    }
    if (auto r = pack_.Read("rainbow.jpg"))
        rainbow_ =
            QByteArray(reinterpret_cast<const char*>(r->data()), static_cast<qsizetype>(r->size()));
}

void MainWindow::MeasureScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QSize s = screen->size() * screen->devicePixelRatio();
    env_.screenW = s.width();
    env_.screenH = s.height();
}

// ---------------------------------------------------------------- pages

void MainWindow::BuildUi() {
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    auto* pageRow = new QHBoxLayout;
    for (int i = 0; i < kPageCount; ++i) {
        auto* b = new QPushButton(QString::fromUtf8(kPageCaptions[i]), central);
        b->setCheckable(true);
        b->setObjectName(QString("PageButton%1").arg(i + 1));
        connect(b, &QPushButton::clicked, this, [this, i] {
            if (CanRun())
                ShowPage(i + 1);
            pageButtons_[static_cast<size_t>(currentPage_ - 1)]->setChecked(true);
        });
        pageButtons_[static_cast<size_t>(i)] = b;
        pageRow->addWidget(b);
    }
    outer->addLayout(pageRow);

    pages_ = new QStackedWidget(central);
    pages_->addWidget(BuildPhotoPage());
    pages_->addWidget(BuildMusicPage());
    pages_->addWidget(BuildBackgroundPage());
    pages_->addWidget(BuildCaptionPage());
    pages_->addWidget(BuildHeadlinePage());
    pages_->addWidget(BuildTransitionPage());
    pages_->addWidget(BuildLyricPage());
    pages_->addWidget(BuildTitlePage());
    pages_->addWidget(BuildInfoPage());
    pages_->addWidget(BuildOptionsPage());
    outer->addWidget(pages_, 1);

    auto* commandRow = new QHBoxLayout;
    btnBuild_ = new QPushButton("创建幻灯", central);
    btnPreview_ = new QPushButton("预览幻灯", central);
    btnOpen_ = new QPushButton("打开配置", central);
    btnSave_ = new QPushButton("保存配置", central);
    SetTip(btnBuild_, "创建图片幻灯可执行文件、屏幕保护程序或视频");
    SetTip(btnPreview_, "预览当前的图片幻灯");
    SetTip(btnSave_, "保存当前的幻灯设置");
    // The preview package comes with its own part of the editor.
    btnPreview_->setEnabled(false);
    connect(btnBuild_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            BuildCommand(true);
    });
    SetTip(btnOpen_, "打开图片幻灯配置文件");
    connect(btnOpen_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            OpenProject();
    });
    connect(btnSave_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            SaveCommand();
    });
    for (auto* b : {btnBuild_, btnPreview_, btnOpen_, btnSave_})
        commandRow->addWidget(b);
    commandRow->addStretch(1);
    outer->addLayout(commandRow);

    setCentralWidget(central);
    WireListPages();
    ShowPage(1);
    RefreshControls();
}

QCheckBox* MainWindow::BindCheck(const QString& text, bool Project::*field) {
    auto* c = new QCheckBox(text);
    connect(c, &QCheckBox::toggled, this, [this, field](bool on) {
        if (!libraryLoading_)
            project_.*field = on;
    });
    checks_.emplace_back(c, field);
    return c;
}

void MainWindow::UpdateSwatch(QPushButton* b, Colour c) {
    QColor q(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    b->setStyleSheet(QString("background-color: %1; min-width: 48px;").arg(q.name()));
}

QPushButton* MainWindow::ColourSwatch(Colour Project::*field) {
    auto* b = new QPushButton;
    b->setFlat(false);
    connect(b, &QPushButton::clicked, this, [this, b, field] {
        if (!CanRun())
            return;
        Colour c = project_.*field;
        QColor q =
            QColorDialog::getColor(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF), this);
        if (!q.isValid())
            return;  // cancelled: the colour stays
        project_.*field = q.red() | q.green() << 8 | q.blue() << 16;
        UpdateSwatch(b, project_.*field);
    });
    swatches_.emplace_back(b, field);
    return b;
}

QWidget* MainWindow::BuildPhotoPage() {
    auto* w = new QWidget;
    auto* outer = new QVBoxLayout(w);
    auto* l = new QHBoxLayout;
    outer->addLayout(l, 1);
    BuildStrip(w, outer);
    photoList_ = new QListWidget(w);
    photoList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    l->addWidget(photoList_, 1);
    auto* col = new QVBoxLayout;
    btnAddPhotos_ = new QPushButton("添加图片");
    btnAddFolder_ = new QPushButton("添加文件夹");
    btnPhotoUp_ = new QPushButton("上移");
    btnPhotoDown_ = new QPushButton("下移");
    btnPhotoRemove_ = new QPushButton("删除");
    btnPhotoClear_ = new QPushButton("清空");
    btnSlideTime_ = new QPushButton("为每张图片设置不同的持续/间隔时间");
    SetTip(btnAddPhotos_, "添加图片到图片幻灯中");
    for (auto* b : {btnAddPhotos_, btnAddFolder_, btnPhotoUp_, btnPhotoDown_, btnPhotoRemove_,
                    btnPhotoClear_, btnSlideTime_}) {
        b->setEnabled(false);  // the photo list editor enables its commands
        col->addWidget(b);
    }
    btnSlideTime_->setEnabled(true);
    connect(btnSlideTime_, &QPushButton::clicked, this, [this] {
        if (!CanRun())
            return;
        SyncFromControls();
        if (editor::EditSlideDurations(this, project_, txtInterval_->text().toStdString()))
            RefreshLists();
    });
    col->addWidget(BindCheck("取图片文件名作为静态文字", &Project::FilenameAsCaption));
    col->addStretch(1);
    l->addLayout(col);
    return w;
}

QWidget* MainWindow::BuildMusicPage() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    auto* top = new QHBoxLayout;
    songList_ = new QListWidget(w);
    top->addWidget(songList_, 1);
    auto* col = new QVBoxLayout;
    btnAddSongs_ = new QPushButton("添加音乐");
    btnSongUp_ = new QPushButton("上移");
    btnSongDown_ = new QPushButton("下移");
    btnSongRemove_ = new QPushButton("删除");
    btnSongClear_ = new QPushButton("清空");
    SetTip(btnAddSongs_, "添加背景音乐（MP3、WMA、WAV、MID）");
    for (auto* b : {btnAddSongs_, btnSongUp_, btnSongDown_, btnSongRemove_, btnSongClear_}) {
        b->setEnabled(false);
        col->addWidget(b);
    }
    col->addStretch(1);
    top->addLayout(col);
    l->addLayout(top, 1);

    auto* order = new QGroupBox("播放顺序");
    auto* ol = new QVBoxLayout(order);
    auto* orderGroup = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(Q(kPlayMusicOrders[static_cast<size_t>(i)]));
        optPlayOrder_[static_cast<size_t>(i)] = r;
        orderGroup->addButton(r, i);
        ol->addWidget(r);
    }
    connect(orderGroup, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !libraryLoading_)
            project_.PlayMusicOrder = id;
    });
    l->addWidget(order);
    l->addWidget(BindCheck("静音(禁止播放音乐)", &Project::MuteSound));

    auto* timing = new QGroupBox("播放时间");
    auto* tl = new QGridLayout(timing);
    optSync_ = new QRadioButton("根据音乐的总长度自动计算每张图片的显示时间");
    optFixed_ = new QRadioButton("每张图片显示的时间（秒）：");
    auto* syncGroup = new QButtonGroup(this);
    syncGroup->addButton(optSync_);
    syncGroup->addButton(optFixed_);
    txtInterval_ = new QLineEdit("12");
    txtOpeningTime_ = new QLineEdit("8");
    txtEndingTime_ = new QLineEdit("8");
    connect(optSync_, &QRadioButton::toggled, this, [this](bool on) {
        txtInterval_->setEnabled(!on);
        if (!libraryLoading_)
            project_.EnableSync = on;
    });
    auto bindTime = [this](QLineEdit* e, float Project::*field) {
        connect(e, &QLineEdit::editingFinished, this, [this, e, field] {
            if (!libraryLoading_)
                project_.*field = ParseDuration(e->text(), project_.*field);
        });
    };
    bindTime(txtInterval_, &Project::TimeInterval);
    bindTime(txtOpeningTime_, &Project::OpeningDurationTime);
    bindTime(txtEndingTime_, &Project::EndingDurationTime);
    tl->addWidget(optSync_, 0, 0, 1, 2);
    tl->addWidget(optFixed_, 1, 0);
    tl->addWidget(txtInterval_, 1, 1);
    tl->addWidget(new QLabel("片头显示时间（秒）："), 2, 0);
    tl->addWidget(txtOpeningTime_, 2, 1);
    tl->addWidget(new QLabel("片尾显示时间（秒）："), 3, 0);
    tl->addWidget(txtEndingTime_, 3, 1);
    l->addWidget(timing);
    return w;
}

QWidget* MainWindow::BuildBackgroundPage() {
    auto* w = new QWidget;
    auto* g = new QGridLayout(w);
    optSolid_ = new QRadioButton("固定单种颜色");
    optGradient_ = new QRadioButton("渐变颜色");
    optPicture_ = new QRadioButton("用图片作为背景");
    auto* bg = new QButtonGroup(this);
    bg->addButton(optSolid_, 1);
    bg->addButton(optGradient_, 2);
    bg->addButton(optPicture_, 3);
    connect(bg, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on && !libraryLoading_)
            project_.BackGroundSet = std::to_string(id);
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
        if (!libraryLoading_ && i >= 0)
            project_.BackgroundGradientMode = i;
    });
    g->addWidget(cboGradient_, 1, 3);
    g->addWidget(optPicture_, 2, 0);
    btnBackgroundPicture_ = new QPushButton("选择背景图片...");
    btnBackgroundPicture_->setEnabled(false);  // the picture chooser comes with the file dialog
    g->addWidget(btnBackgroundPicture_, 2, 1);
    cboPicturePlacement_ = new QComboBox;
    for (auto t : kBackgroundPicturePlacements)
        cboPicturePlacement_->addItem(Q(t));
    connect(cboPicturePlacement_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!libraryLoading_ && i >= 0)
            project_.BackgroundDrawScale = 2 * i + 2;
    });
    g->addWidget(cboPicturePlacement_, 2, 2);
    lblBackgroundPicture_ = new QLabel;
    g->addWidget(lblBackgroundPicture_, 3, 0, 1, 4);
    g->addWidget(new QLabel("图片比例"), 4, 0);
    cboPlacement_ = new QComboBox;
    for (auto t : kPlacementModes)
        cboPlacement_->addItem(Q(t));
    connect(cboPlacement_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!libraryLoading_ && i >= 0)
            project_.ImgDrawScale = i;
    });
    g->addWidget(cboPlacement_, 4, 1, 1, 2);
    g->setRowStretch(5, 1);
    return w;
}

QWidget* MainWindow::BuildCaptionPage() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    l->addWidget(BindCheck("允许显示静态文字：", &Project::EnableCaption));
    txtCaption_ = new QPlainTextEdit;
    connect(txtCaption_, &QPlainTextEdit::textChanged, this, [this] {
        if (libraryLoading_ || currentPhoto_ < 1 || currentPhoto_ > project_.NowI())
            return;
        project_.photos[static_cast<size_t>(currentPhoto_ - 1)].Caption =
            S(txtCaption_->toPlainText());
    });
    l->addWidget(txtCaption_, 1);
    auto* row = new QHBoxLayout;
    btnCaptionStyle_ = new QPushButton("静态文字样式...");
    btnCaptionAll_ = new QPushButton("应用到所有图片");
    btnCaptionStyle_->setEnabled(false);
    btnCaptionAll_->setEnabled(false);
    row->addWidget(btnCaptionStyle_);
    row->addWidget(btnCaptionAll_);
    row->addStretch(1);
    l->addLayout(row);
    return w;
}

QWidget* MainWindow::BuildHeadlinePage() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    l->addWidget(BindCheck("允许显示动态文字", &Project::EnableHeadlineEffect));
    txtHeadline_ = new QPlainTextEdit;
    connect(txtHeadline_, &QPlainTextEdit::textChanged, this, [this] {
        if (libraryLoading_ || currentPhoto_ < 1 || currentPhoto_ > project_.NowI())
            return;
        project_.photos[static_cast<size_t>(currentPhoto_ - 1)].Headline =
            S(txtHeadline_->toPlainText());
    });
    l->addWidget(txtHeadline_, 1);
    fraHeadline_ = new QGroupBox("动态文字特效");
    auto* fl = new QHBoxLayout(fraHeadline_);
    cboHeadlineEffect_ = new QComboBox;
    for (const auto& e : kHeadlineEffectCatalogue)
        cboHeadlineEffect_->addItem(Q(e.text));
    connect(cboHeadlineEffect_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (libraryLoading_ || i < 0)
            return;
        project_.selectedHeadlineEffect = i;
        if (currentPhoto_ >= 1 && currentPhoto_ <= project_.NowI() && direct3DError_.isEmpty()) {
            auto& e = project_.photos[static_cast<size_t>(currentPhoto_ - 1)];
            if (!e.Headline.empty())
                e.HeadDynamicStyle = i;
        }
    });
    fl->addWidget(cboHeadlineEffect_, 1);
    btnHeadlineStyle_ = new QPushButton("动态文字样式...");
    btnHeadlineStyle_->setEnabled(false);
    fl->addWidget(btnHeadlineStyle_);
    l->addWidget(fraHeadline_);
    l->addWidget(new QLabel(Q(kDirect3DMarkNote)));
    return w;
}

QWidget* MainWindow::BuildTransitionPage() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    l->addWidget(BindCheck("允许使用图片切换特效", &Project::EnableTransition));
    fraTransition_ = new QGroupBox("图片切换特效");
    auto* fl = new QVBoxLayout(fraTransition_);
    transitionList_ = new QListWidget;
    transitionList_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const auto& e : kTransitionCatalogue)
        transitionList_->addItem(Q(e.text));
    connect(transitionList_, &QListWidget::itemSelectionChanged, this, [this] {
        if (libraryLoading_)
            return;
        for (int k = 0; k < kTransitionCount; ++k)
            project_.TransitionChosen[static_cast<size_t>(k)] =
                transitionList_->item(k)->isSelected();
    });
    fl->addWidget(transitionList_, 1);
    auto* row = new QHBoxLayout;
    btnSelectAll_ = new QPushButton("选中所有图片切换特效");
    btnSelectNone_ = new QPushButton("不选中任何图片切换特效");
    connect(btnSelectAll_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            transitionList_->selectAll();
    });
    connect(btnSelectNone_, &QPushButton::clicked, this, [this] {
        if (CanRun())
            transitionList_->clearSelection();
    });
    row->addWidget(btnSelectAll_);
    row->addWidget(btnSelectNone_);
    fl->addLayout(row);
    l->addWidget(fraTransition_, 1);
    l->addWidget(new QLabel(Q(kDirect3DMarkNote)));
    return w;
}

QWidget* MainWindow::BuildLyricPage() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    l->addWidget(BindCheck("允许显示歌词", &Project::EnableLyric));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("歌词样式"));
    cboLyricStyle_ = new QComboBox;
    for (auto t : kLyricStyles)
        cboLyricStyle_->addItem(Q(t));
    connect(cboLyricStyle_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!libraryLoading_ && i >= 0)
            project_.LyricStyle = i;
    });
    row->addWidget(cboLyricStyle_, 1);
    btnLyricStyle_ = new QPushButton("歌词文字样式...");
    btnLyricStyle_->setEnabled(false);
    row->addWidget(btnLyricStyle_);
    l->addLayout(row);
    lyricList_ = new QListWidget;
    l->addWidget(lyricList_, 1);
    auto* row2 = new QHBoxLayout;
    lblLyricFolder_ = new QLabel("指定歌词目录：");
    btnLyricFolder_ = new QPushButton("选择目录...");
    btnAddLyrics_ = new QPushButton("添加歌词文件");
    btnLyricFolder_->setEnabled(false);
    btnAddLyrics_->setEnabled(false);
    row2->addWidget(lblLyricFolder_, 1);
    row2->addWidget(btnLyricFolder_);
    row2->addWidget(btnAddLyrics_);
    l->addLayout(row2);
    return w;
}

QWidget* MainWindow::BuildTitlePage() {
    auto* w = new QWidget;
    auto* g = new QGridLayout(w);
    g->addWidget(BindCheck("允许显示幻灯片头标题文字：", &Project::EnableOpening), 0, 0);
    txtTitle1_ = new QLineEdit;
    g->addWidget(txtTitle1_, 0, 1);
    btnOpeningImage_ = new QPushButton("片头图片...");
    g->addWidget(btnOpeningImage_, 0, 2);
    g->addWidget(BindCheck("允许显示幻灯片尾标题文字：", &Project::EnableEnding), 1, 0);
    txtTitle2_ = new QLineEdit;
    g->addWidget(txtTitle2_, 1, 1);
    btnEndingImage_ = new QPushButton("片尾图片...");
    g->addWidget(btnEndingImage_, 1, 2);
    btnOpeningImage_->setEnabled(false);
    btnEndingImage_->setEnabled(false);
    g->addWidget(new QLabel("标题动画"), 2, 0);
    cboTitleStyle_ = new QComboBox;
    for (auto t : kTitleStyles)
        cboTitleStyle_->addItem(Q(t));
    connect(cboTitleStyle_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!libraryLoading_ && i >= 0)
            project_.TitleStyle = i;
    });
    g->addWidget(cboTitleStyle_, 2, 1);
    btnTitleStyleFont_ = new QPushButton("标题文字样式...");
    btnTitleStyleFont_->setEnabled(false);
    g->addWidget(btnTitleStyleFont_, 2, 2);
    g->setRowStretch(3, 1);
    return w;
}

QWidget* MainWindow::BuildInfoPage() {
    auto* w = new QWidget;
    auto* g = new QGridLayout(w);
    for (int i = 0; i < kInfoTextCount; ++i) {
        g->addWidget(new QLabel(Q(kInfoLabels[static_cast<size_t>(i)]) + "："), i, 0);
        QWidget* box;
        if (i == 4) {
            auto* e = new QPlainTextEdit;
            connect(e, &QPlainTextEdit::textChanged, this, [this, e] {
                if (!libraryLoading_)
                    project_.TxtSetting[4] = S(e->toPlainText());
            });
            box = e;
        } else {
            auto* e = new QLineEdit;
            connect(e, &QLineEdit::textChanged, this, [this, i](const QString& t) {
                if (!libraryLoading_)
                    project_.TxtSetting[static_cast<size_t>(i)] = S(t);
            });
            box = e;
        }
        txtInfo_[static_cast<size_t>(i)] = box;
        g->addWidget(box, i, 1, 1, 2);
    }
    btnLogo_ = new QPushButton("标志图片...");
    btnIcon_ = new QPushButton("自定义图标...");
    btnLogo_->setEnabled(false);
    btnIcon_->setEnabled(false);
    g->addWidget(btnLogo_, kInfoTextCount, 1);
    g->addWidget(btnIcon_, kInfoTextCount, 2);
    return w;
}

QWidget* MainWindow::BuildOptionsPage() {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    l->addWidget(BindCheck("随机不重复地循环显示图片", &Project::PlayPhotoInRamdomOrder));
    l->addWidget(BindCheck("忽略鼠标的移动", &Project::IgnoreMouseMove));
    l->addWidget(BindCheck("显示鼠标并且忽略所有鼠标事件", &Project::ShowCursor));
    l->addWidget(BindCheck("开启图片动态漂移效果(#)", &Project::EnableFloating));
    l->addWidget(BindCheck("允许用户导出幻灯的图片和音乐文件", &Project::EnableExport));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel("导出密码："));
    txtExportPassword_ = new QLineEdit;
    connect(txtExportPassword_, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!libraryLoading_)
            project_.ExportPassword = S(t);
    });
    row->addWidget(txtExportPassword_, 1);
    l->addLayout(row);
    l->addWidget(new QLabel(Q(kDirect3DMarkNote)));
    l->addStretch(1);
    return w;
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu("文件(&F)");
    auto add = [this](QMenu* m, const QString& text, std::function<void()> fn,
                      bool enabled = true) {
        QAction* a = m->addAction(text);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, [this, fn] {
            if (CanRun())
                fn();
        });
        return a;
    };
    add(file, "新建图片幻灯(&N)", [this] { NewProject(); });
    mnuOpen_ = add(file, "打开配置文件(&O)", [this] { OpenProject(); });
    add(file, "保存配置文件为...(&S)", [this] {
        std::error_code ec;
        std::filesystem::create_directories(paths_.ProjectFolder(), ec);
        SaveProject();
    });
    file->addSeparator();
    add(file, "创建并保存幻灯(&B)", [this] { BuildCommand(false); });
    add(
        file, "预览当前幻灯", [] {}, false);
    file->addSeparator();
    QAction* quit = file->addAction("退出(&E)");
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu("编辑(&E)");
    for (int i = 0; i < kPageCount; ++i)
        add(edit, QString::fromUtf8(kPageMenuTexts[i]), [this, i] { ShowPage(i + 1); });

    QMenu* help = menuBar()->addMenu("帮助(&H)");
    mnuShowTip_ = help->addAction("显示提示信息(&T)");
    mnuShowTip_->setCheckable(true);
    mnuShowTip_->setChecked(project_.IsShowTip);
    connect(mnuShowTip_, &QAction::toggled, this, [this](bool on) {
        if (!libraryLoading_)
            project_.IsShowTip = on;
        if (!on)
            QToolTip::hideText();
    });
    help->addSeparator();
    struct Tour {
        const char* text;
        int page;
        QWidget* target;
    };
    const Tour tours[] = {
        {"如何添加图片", 1, btnAddPhotos_},         {"如何添加背景音乐", 2, btnAddSongs_},
        {"如何添加歌词文件", 7, btnAddLyrics_},     {"如何设置幻灯背景", 3, optPicture_},
        {"如何为图片添加静态文字", 4, txtCaption_}, {"如何为图片添加动态文字", 5, txtHeadline_},
        {"如何改变图片的位置", 1, btnPhotoUp_},     {"如何创建图片幻灯", 1, btnBuild_},
    };
    for (const Tour& t : tours) {
        int page = t.page;
        QWidget* target = t.target;
        add(help, QString::fromUtf8(t.text), [this, page, target] { GuidedTour(page, target); });
    }
    help->addSeparator();
    add(help, "帮助文件(&H)", [this] { openUrl_(QUrl::fromLocalFile(Q(paths_.HelpFile()))); });
    add(help, "我们的网站(&W)", [this] { openUrl_(QUrl(kWebSite)); });
    add(help, "写email给作者(&E)", [this] { openUrl_(QUrl(kMailAddress)); });
    add(help, "关于(&A)", [this] { ShowAbout(); });
}

// ---------------------------------------------------------------- state

QWidget* MainWindow::page(int n) const {
    return pages_ ? pages_->widget(n - 1) : nullptr;
}

QPushButton* MainWindow::pageButton(int n) const {
    return n >= 1 && n <= kPageCount ? pageButtons_[static_cast<size_t>(n - 1)] : nullptr;
}

void MainWindow::ShowPage(int n) {
    if (n < 1 || n > kPageCount)
        return;
    currentPage_ = n;
    pages_->setCurrentIndex(n - 1);
    for (int i = 0; i < kPageCount; ++i)
        pageButtons_[static_cast<size_t>(i)]->setChecked(i == n - 1);
}

void MainWindow::RefreshLists() {
    bool wasLoading = libraryLoading_;
    libraryLoading_ = true;
    photoList_->clear();
    for (const auto& p : project_.photos)
        photoList_->addItem(Q(p.ImgName));
    songList_->clear();
    for (const auto& s : project_.songs)
        songList_->addItem(Q(s));
    if (songList_->count() > 0)
        songList_->setCurrentRow(0);
    lyricList_->clear();
    for (const auto& s : project_.lyricFiles)
        lyricList_->addItem(Q(s));
    if (lyricList_->count() > 0)
        lyricList_->setCurrentRow(0);
    currentPhoto_ = project_.photos.empty() ? 0 : std::clamp(currentPhoto_, 1, project_.NowI());
    libraryLoading_ = wasLoading;
}

void MainWindow::RefreshControls() {
    bool wasLoading = libraryLoading_;
    libraryLoading_ = true;
    for (auto& [c, field] : checks_)
        c->setChecked(project_.*field);
    for (auto& [b, field] : swatches_)
        UpdateSwatch(b, project_.*field);
    cboPlacement_->setCurrentIndex(std::clamp(project_.ImgDrawScale, 0, 4));
    cboGradient_->setCurrentIndex(std::clamp(project_.BackgroundGradientMode, 0, 3));
    cboPicturePlacement_->setCurrentIndex(std::clamp(project_.BackgroundDrawScale / 2 - 1, 0, 1));
    cboLyricStyle_->setCurrentIndex(std::clamp(project_.LyricStyle, 0, 3));
    cboTitleStyle_->setCurrentIndex(std::clamp(project_.TitleStyle, 0, 2));
    cboHeadlineEffect_->setCurrentIndex(std::clamp(project_.selectedHeadlineEffect, 0, 8));
    optSolid_->setChecked(project_.BackGroundSet == "1");
    optGradient_->setChecked(project_.BackGroundSet == "2");
    optPicture_->setChecked(project_.BackGroundSet == "3");
    lblBackgroundPicture_->setText(Q(project_.BackGroundPicture));
    optPlayOrder_[static_cast<size_t>(std::clamp(project_.PlayMusicOrder, 0, 2))]->setChecked(true);
    txtInterval_->setText(DurationText(project_.TimeInterval));
    txtOpeningTime_->setText(DurationText(project_.OpeningDurationTime));
    txtEndingTime_->setText(DurationText(project_.EndingDurationTime));
    optSync_->setChecked(project_.EnableSync);
    optFixed_->setChecked(!project_.EnableSync);
    txtInterval_->setEnabled(!project_.EnableSync);
    txtTitle1_->setText(Q(project_.TitleText[0]));
    txtTitle2_->setText(Q(project_.TitleText[1]));
    txtExportPassword_->setText(Q(project_.ExportPassword));
    for (int i = 0; i < kInfoTextCount; ++i) {
        QString t = Q(project_.TxtSetting[static_cast<size_t>(i)]);
        if (auto* e = qobject_cast<QLineEdit*>(txtInfo_[static_cast<size_t>(i)]))
            e->setText(t);
        if (auto* e = qobject_cast<QPlainTextEdit*>(txtInfo_[static_cast<size_t>(i)]))
            e->setPlainText(t);
    }
    for (int k = 0; k < kTransitionCount; ++k)
        transitionList_->item(k)->setSelected(project_.TransitionChosen[static_cast<size_t>(k)]);
    lblLyricFolder_->setText(project_.LyricFolder.empty() ? QString("指定歌词目录：")
                                                          : Q(project_.LyricFolder));
    if (mnuShowTip_)
        mnuShowTip_->setChecked(project_.IsShowTip);
    libraryLoading_ = wasLoading;
}

void MainWindow::SyncFromControls() {
    project_.TitleText[0] = S(txtTitle1_->text());
    project_.TitleText[1] = S(txtTitle2_->text());
    project_.TimeInterval = ParseDuration(txtInterval_->text(), project_.TimeInterval);
    project_.OpeningDurationTime =
        ParseDuration(txtOpeningTime_->text(), project_.OpeningDurationTime);
    project_.EndingDurationTime =
        ParseDuration(txtEndingTime_->text(), project_.EndingDurationTime);
    project_.ExportPassword = S(txtExportPassword_->text());
}

// ---------------------------------------------------------------- helpers

void MainWindow::WaitWithEvents(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        qint64 left = ms - t.elapsed();
        if (left > 0)
            QThread::usleep(static_cast<unsigned long>(std::min<qint64>(left, 1) * 1000));
    }
}

void MainWindow::GuideCursorTo(QWidget* control) {
    if (!control)
        return;
    QPoint start = QCursor::pos();
    QPoint target = control->mapToGlobal(QPoint(control->width() / 2, control->height() / 2));
    for (int k = 1; k <= 100; ++k) {
        QPoint p(nearest(start.x() + (target.x() - start.x()) * k / 100.0),
                 nearest(start.y() + (target.y() - start.y()) * k / 100.0));
        QCursor::setPos(p);
        WaitWithEvents(4);
    }
}

void MainWindow::GuidedTour(int page, QWidget* target) {
    GuideCursorTo(pageButton(page));
    WaitWithEvents(500);
    ShowPage(page);
    WaitWithEvents(500);
    GuideCursorTo(target);
}

bool MainWindow::RequireTwoPhotos() {
    if (project_.NowI() >= 2)
        return true;
    Inform("请首先添加至少两张图片到图片幻灯中");
    ShowPage(1);
    WaitWithEvents(100);
    GuideCursorTo(btnAddPhotos_);
    return false;
}

bool MainWindow::ConfirmOverwrite(const QString& path) {
    if (!QFileInfo::exists(path))
        return true;
    QString name = QFileInfo(path).fileName();
    if (Ask("文件 '" + name + "' 已经存在，要替换为新的文件吗？",
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning) != QMessageBox::Yes)
        return false;
    QFile::remove(path);
    QCoreApplication::processEvents();
    if (QFileInfo::exists(path)) {
        Inform("无法替换 '" + name + "'，文件可能正在使用中");
        return false;
    }
    return true;
}

bool MainWindow::SaveProject() {
    if (!RequireTwoPhotos())
        return false;
    QString path = chooseSavePath_("保存图片幻灯设置为……", Q(project_.TxtSetting[0]));
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).absoluteFilePath().compare(
            QFileInfo(Q(paths_.AutoSave())).absoluteFilePath(), Qt::CaseInsensitive) == 0) {
        Inform("请选择另一个文件名来保存设置。");
        return false;
    }
    if (!ConfirmOverwrite(path))
        return false;
    project_.ProjectName = S(path);
    SyncFromControls();
    WriteProjectSettings(project_, store_, false);
    if (!store_.SaveSettingsFile(S(path))) {
        Inform("无法保存配置文件：" + path, QMessageBox::Warning);
        return false;
    }
    return true;
}

void MainWindow::SaveCommand() {
    std::error_code ec;
    std::filesystem::create_directories(paths_.ProjectFolder(), ec);
    if (project_.ProjectName.empty()) {
        SaveProject();
        return;
    }
    SyncFromControls();
    WriteProjectSettings(project_, store_, false);
    if (!store_.SaveSettingsFile(project_.ProjectName))
        Inform("无法保存配置文件：" + Q(project_.ProjectName), QMessageBox::Warning);
}

void MainWindow::NewProject() {
    if (busy_)
        return;
    if (project_.ProjectName.empty() && project_.NowI() >= 2) {
        auto a = Ask(kPendingSave, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                     QMessageBox::Information);
        if (a == QMessageBox::Yes) {
            SaveProject();
            return;
        }
        if (a != QMessageBox::No)
            return;
    } else if (NamesFile(project_.ProjectName)) {
        SyncFromControls();
        WriteProjectSettings(project_, store_, false);
        store_.SaveSettingsFile(project_.ProjectName);
    }
    ClearPhotoList(true);
    ClearSongList(true);
    project_.ProjectName.clear();
}

void MainWindow::ShowAbout() {
    QMessageBox::about(this, "关于",
                       QString::fromUtf8(kProductName) + " " + QString::fromUtf8(kVersionText) +
                           "\n照片幻灯片制作软件");
}

// ---------------------------------------------------------------- timer

void MainWindow::UpdateTips() {
    if (!project_.IsShowTip)
        return;
    QWidget* under = QApplication::widgetAt(QCursor::pos());
    while (under && !under->property("velmoraTip").isValid())
        under = under->parentWidget();
    if (under != tipWidget_) {
        tipWidget_ = under;
        tipCount_ = 0;
        QToolTip::hideText();
        return;
    }
    if (!tipWidget_)
        return;
    if (tipCount_ == 2)
        QToolTip::showText(QCursor::pos(), tipWidget_->property("velmoraTip").toString(),
                           tipWidget_);
    if (tipCount_ > 11) {
        tipCount_ = 0;
        QToolTip::hideText();
    }
}

void MainWindow::ApplyTheme() {
    setWindowState(windowState() | Qt::WindowMinimized);
    for (QWidget* w : QApplication::topLevelWidgets())
        w->update();
    setWindowState(windowState() & ~Qt::WindowMinimized);
}

void MainWindow::OnTimerTick() {
    if (refused())
        return;
    ++tickCount_;
    ++tipCount_;
    UpdateTips();
    if (tickCount_ % 4 == 0) {
        MeasureScreen();
        QColor h = palette().color(QPalette::Highlight);
        if (h != lastHighlight_) {
            lastHighlight_ = h;
            ApplyTheme();
        }
    }
    if (tickCount_ > 59 && project_.NowI() >= 2) {
        SyncFromControls();
        WriteProjectSettings(project_, store_, false);
        store_.SaveSettingsFile(paths_.AutoSave());
        tickCount_ = 0;
    }
}

// ---------------------------------------------------------------- life

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, &MainWindow::FirstActivation);
    }
}

void MainWindow::FirstActivation() {
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect avail = s->availableGeometry();
        QPoint p = pos();
        if (frameGeometry().width() >= avail.width())
            p.setX(avail.left());
        if (frameGeometry().height() >= avail.height())
            p.setY(avail.top());
        if (p != pos())
            move(p);
    }
    if (!FileExists(paths_.FirstRunMarker()) && !FileExists(paths_.MirbIni())) {
        if (WriteFirstRunMarker(paths_.FirstRunMarker())) {
            openUrl_(QUrl::fromLocalFile(Q(paths_.HelpFile())));
        } else {
            Inform("程序似乎不能在这个目录创建文件：\r" + Q(paths_.dataFolder) +
                       "\r请重新安装程序到其他目录，否则可能会引起错误。",
                   QMessageBox::Warning);
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (refused()) {
        event->ignore();
        return;
    }
    if (project_.ProjectName.empty() && project_.NowI() >= 2) {
        auto a = Ask(kPendingSave, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                     QMessageBox::Information);
        if (a == QMessageBox::Yes) {
            event->ignore();
            SaveProject();
            return;
        }
        if (a != QMessageBox::No) {
            event->ignore();
            return;
        }
    }
    SyncFromControls();
    if (!project_.ProjectName.empty()) {
        // The bound project is saved silently; a file deleted meanwhile is
        // not written again.
        WriteProjectSettings(project_, store_, false);
        if (FileExists(project_.ProjectName))
            store_.SaveSettingsFile(project_.ProjectName);
        else
            store_.Clear();
    }
    QCoreApplication::processEvents();
    if (project_.NowI() >= 2) {
        WriteProjectSettings(project_, store_, true);
        store_.SaveSettingsFile(paths_.MirbIni());
    }
    if (timer_)
        timer_->stop();
    if (thumbLoader_)
        thumbLoader_->Cancel();
    rainbow_.clear();
    EmptyFolder(paths_.Temp());
    store_.Clear();
    event->accept();
}

}  // namespace velmora
