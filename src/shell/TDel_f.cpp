#include "shell/TDel_f.h"

#include <QKeyEvent>
#include <QScreen>
#include <algorithm>

#include "ui_TDel_f.h"

namespace nebu {

namespace {

constexpr int kDesignWidth = 360;
constexpr int kDesignHeight = 208;
constexpr int kNameLeft = 144;

}  // namespace

TDel_f::TDel_f(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TDel_f>()) {
    ui_->setupUi(this);
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        design_.emplace_back(child, child->geometry());
    const std::pair<QPushButton*, DelAnswer> answers[] = {{ui_->DelBtn1, DelAnswer::DeleteFirst},
                                                          {ui_->DelBtn2, DelAnswer::DeleteSecond},
                                                          {ui_->NoBtn, DelAnswer::DeleteNeither},
                                                          {ui_->CancelBtn, DelAnswer::Cancel}};
    for (const auto& [button, answer] : answers)
        connect(button, &QPushButton::clicked, this,
                [this, answer = answer] { done(static_cast<int>(answer)); });
}

TDel_f::~TDel_f() = default;

void TDel_f::Ask(DeleteChoice& choice) {
    ui_->Fname1->setText(QString::fromStdString(choice.Fname1));
    ui_->Dname1->setText(QString::fromStdString(choice.Dname1));
    ui_->Fname2->setText(QString::fromStdString(choice.Fname2));
    ui_->Dname2->setText(QString::fromStdString(choice.Dname2));
    LayoutForTexts();
    ui_->NoBtn->setFocus();
    const int result = exec();
    // Closed without a button (the window manager's close): the job stops.
    DelResult = result == QDialog::Rejected ? DelAnswer::Cancel : static_cast<DelAnswer>(result);
    choice.DelResult = DelResult;
}

// The design positions hold for a 12-pixel font; a larger desktop font
// scales them, and the width then grows from the real text widths so that
// long names are never cut.
void TDel_f::LayoutForTexts() {
    const double k = std::max(1.0, fontMetrics().height() / 15.0);
    auto scaled = [k](int v) { return static_cast<int>(v * k); };
    for (auto& [widget, rect] : design_) {
        widget->setGeometry(scaled(rect.x()), scaled(rect.y()), scaled(rect.width()),
                            scaled(rect.height()));
        if (auto* label = qobject_cast<QLabel*>(widget)) label->adjustSize();
    }
    const int captionRight =
        std::max(ui_->Label3->geometry().right(), ui_->Label1->geometry().right());
    const int nameLeft = std::max(scaled(kNameLeft), captionRight + scaled(8));
    for (QLabel* name : {ui_->Fname1, ui_->Dname1, ui_->Fname2, ui_->Dname2})
        name->move(nameLeft, name->y());

    int widest = 0;
    for (QLabel* name : {ui_->Fname1, ui_->Dname1, ui_->Fname2, ui_->Dname2})
        widest = std::max(widest, name->width());
    const int w = std::max(widest + nameLeft + scaled(20), scaled(kDesignWidth));
    const int h = w / 2;
    setFixedSize(w, scaled(kDesignHeight));
    for (QLabel* title : {ui_->Label5, ui_->Label6})
        title->move(h - title->width() / 2, title->y());
    for (QFrame* bevel : {ui_->Bevel1, ui_->Bevel2})
        bevel->resize(w - 2 * bevel->x(), bevel->height());
    ui_->NoBtn->move(h - ui_->NoBtn->width() - scaled(20), ui_->NoBtn->y());
    ui_->CancelBtn->move(h + scaled(20), ui_->CancelBtn->y());

    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

void TDel_f::keyPressEvent(QKeyEvent* event) {
    // Escape answers nothing here: a stray key must not cancel the job.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace nebu
