#include "mainwin/TDirF.h"

#include <QPushButton>

#include "controls/TDirListBox.h"
#include "results/NebuMessages.h"
#include "ui_TDirF.h"

namespace nebu {

TDirF::TDirF(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::TDirF>()) {
    ui_->setupUi(this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(ui_->OK, &QPushButton::clicked, this, &TDirF::OKClick);
    connect(ui_->CANCEL, &QPushButton::clicked, this, &QDialog::reject);
    // A click is reported before the row it hits is opened, so a double
    // click adds only when it lands on the directory that was already open.
    connect(ui_->DirListBox1, &TDirListBox::OnClick, this,
            [this] { lastClickedDir_ = ui_->DirListBox1->Directory(); });
    connect(ui_->DirListBox1, &TDirListBox::OnDblClick, this, &TDirF::DirListDblClick);
}

TDirF::~TDirF() = default;

TDirListBox* TDirF::Tree() const {
    return ui_->DirListBox1;
}

std::string TDirF::Choose(std::uint32_t searchAttr) {
    ui_->DirListBox1->SetSearchAttr(searchAttr);
    addDir_.clear();
    exec();
    return addDir_;
}

void TDirF::OKClick() {
    const std::string& directory = ui_->DirListBox1->Directory();
    if (directory.empty()) {
        ShowNebuMessage(this, "ﾏｲ ｺﾝﾋﾟｭｰﾀは追加できませえん");
        return;
    }
    addDir_ = directory;
    accept();
}

void TDirF::DirListDblClick() {
    if (ui_->DirListBox1->Directory() == lastClickedDir_) OKClick();
}

}  // namespace nebu
