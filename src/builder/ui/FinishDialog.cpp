#include "builder/ui/FinishDialog.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMovie>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace velmora {

void FinishDialog::OpenFolderOf(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

FinishDialog::FinishDialog(const QString& report, const QString& packagePath,
                           bool& openFolderOption, const QByteArray& picture,
                           OpenFolderFn openFolder, QWidget* parent)
    : QDialog(parent),
      path_(packagePath),
      openFolder_(openFolderOption),
      open_(std::move(openFolder)) {
    setWindowTitle(QStringLiteral("完成"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    if (!picture.isEmpty()) {
        auto* pic = new QLabel(this);
        auto* buffer = new QBuffer(this);
        buffer->setData(picture);
        auto* movie = new QMovie(buffer, QByteArray(), this);
        if (movie->isValid()) {
            pic->setMovie(movie);
            movie->start();
            row->addWidget(pic, 0, Qt::AlignTop);
        } else {
            delete pic;
        }
    }
    txtInfo_ = new QPlainTextEdit(this);
    txtInfo_->setReadOnly(true);
    txtInfo_->setPlainText(report);
    QPalette pal = txtInfo_->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Button));
    txtInfo_->setPalette(pal);
    txtInfo_->setMinimumSize(420, 120);
    row->addWidget(txtInfo_, 1);
    layout->addLayout(row);
    chkOpenFolder_ = new QCheckBox(QStringLiteral("打开保存位置所在的文件夹"), this);
    chkOpenFolder_->setChecked(openFolder_);
    connect(chkOpenFolder_, &QCheckBox::toggled, this, [this](bool on) { openFolder_ = on; });
    layout->addWidget(chkOpenFolder_);
    confirm_ = new QPushButton(QStringLiteral("确定"), this);
    confirm_->setDefault(true);
    layout->addWidget(confirm_, 0, Qt::AlignRight);
    connect(confirm_, &QPushButton::clicked, this, [this] {
        if (!path_.isEmpty() && QFileInfo::exists(path_) && openFolder_ && open_)
            open_(path_);
        accept();
    });
}

}  // namespace velmora
