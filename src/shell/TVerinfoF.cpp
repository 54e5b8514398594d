#include "shell/TVerinfoF.h"

#include <QDesktopServices>
#include <QPainter>
#include <QSvgRenderer>
#include <QUrl>
#include <algorithm>

#include "ui_TVerinfoF.h"

// The pictures live in this static library; nothing else would pull them in.
static void InitShellResources() {
    Q_INIT_RESOURCE(shell);
}

namespace nebu {

namespace {

constexpr int kPictureSize = 300;

QPixmap AboutPicture() {
    QPixmap picture(kPictureSize, kPictureSize);
    picture.fill(Qt::white);
    QSvgRenderer renderer(QStringLiteral(":/nebu/about.svg"));
    QPainter painter(&picture);
    renderer.render(&painter, QRectF(0, 0, kPictureSize, kPictureSize));
    return picture;
}

QFont DialogFont(int pixels, bool bold) {
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

}  // namespace

TVerinfoF::TVerinfoF(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TVerinfoF>()) {
    InitShellResources();
    ui_->setupUi(this);
    setFont(DialogFont(12, false));
    ui_->Image1->setPixmap(AboutPicture());
    ui_->Label1->setFont(DialogFont(16, true));
    ui_->Label2->setFont(DialogFont(16, true));
    QPalette black = ui_->Label2->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    ui_->Label2->setPalette(black);
    ui_->Label2->setText(kVersionText);
    for (QLabel* label : {ui_->Label1, ui_->Label2, ui_->Label3})
        label->setAttribute(Qt::WA_TranslucentBackground);
    connect(ui_->Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->Button2, &QPushButton::clicked, this, &TVerinfoF::OpenHomePage);
    LayoutForFont();
    ui_->Button1->setFocus();
}

TVerinfoF::~TVerinfoF() = default;

void TVerinfoF::reject() {}

void TVerinfoF::SetHomePage(std::function<QString()> homePage) {
    homePage_ = std::move(homePage);
}

void TVerinfoF::OpenHomePage() {
    const QString page = homePage_ ? homePage_() : QString();
    if (!page.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

// The design places are kept; labels take their text's width and the
// buttons grow when the real font needs more room than 21 pixels.
void TVerinfoF::LayoutForFont() {
    for (QLabel* label : {ui_->Label1, ui_->Label2, ui_->Label3}) {
        const QSize hint = label->sizeHint();
        label->resize(std::min(hint.width(), kPictureSize - label->x()), hint.height());
    }
    const int buttonHeight =
        std::max({21, ui_->Button1->sizeHint().height(), ui_->Button2->sizeHint().height()});
    const int okWidth = std::max(57, ui_->Button1->sizeHint().width());
    const int homeWidth = std::max(169, ui_->Button2->sizeHint().width());
    ui_->Button2->setGeometry(0, kPictureSize + 4, homeWidth, buttonHeight);
    ui_->Button1->setGeometry(kPictureSize - 3 - okWidth, kPictureSize + 4, okWidth, buttonHeight);
    setFixedSize(kPictureSize, kPictureSize + 4 + buttonHeight + 1);
}

}  // namespace nebu
