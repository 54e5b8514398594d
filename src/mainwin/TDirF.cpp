#include "mainwin/TDirF.h"

#include <QCompleter>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/TDirListBox.h"
#include "platform/DirectorySearch.h"
#include "results/NebuMessages.h"
#include "settings/PathInput.h"
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

    folders_ = new QFileSystemModel(this);
    folders_->setRootPath(QString());
    auto* completer = new QCompleter(folders_, this);
    ui_->PathEdit->setCompleter(completer);
    // Folders are read in the background. The folder the text is in is asked
    // for at each edit, and its names are offered as soon as they arrive,
    // even when that is after the last key press.
    connect(ui_->PathEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { folders_->index(QFileInfo(text).path()); });
    connect(folders_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        QLineEdit* edit = ui_->PathEdit;
        if (edit->hasFocus() && QFileInfo(edit->text()).path() == loaded)
            edit->completer()->complete();
    });
    connect(ui_->PathEdit, &QLineEdit::returnPressed, this, &TDirF::OKClick);
}

TDirF::~TDirF() = default;

TDirListBox* TDirF::Tree() const {
    return ui_->DirListBox1;
}

std::string TDirF::Choose(std::uint32_t searchAttr) {
    ui_->DirListBox1->SetSearchAttr(searchAttr);
    // Completion offers what the tree would list: real folders, the hidden
    // ones only when they are searched.
    QDir::Filters filter = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::NoSymLinks;
    if (searchAttr & platform::kAttrHidden) filter |= QDir::Hidden;
    folders_->setFilter(filter);
    ui_->PathEdit->clear();
    addDir_.clear();
    exec();
    return addDir_;
}

void TDirF::OKClick() {
    const std::string typed = QFile::encodeName(ui_->PathEdit->text()).toStdString();
    const TypedDir resolved = ResolveTypedDirectory(typed, ui_->DirListBox1->Directory());
    if (resolved.kind == TypedDirKind::Empty) {
        AddTreeDirectory();
    } else if (resolved.kind == TypedDirKind::Directory) {
        addDir_ = resolved.path;
        accept();
    } else {
        ShowNebuMessage(this, TypedDirectoryMessage(resolved, typed));
        ui_->PathEdit->setFocus();
        ui_->PathEdit->selectAll();
    }
}

void TDirF::AddTreeDirectory() {
    const std::string& directory = ui_->DirListBox1->Directory();
    if (directory.empty()) {
        ShowNebuMessage(this, "ﾏｲ ｺﾝﾋﾟｭｰﾀは追加できませえん");
        return;
    }
    addDir_ = directory;
    accept();
}

void TDirF::DirListDblClick() {
    // A double click chooses in the tree, whatever the field holds.
    if (ui_->DirListBox1->Directory() == lastClickedDir_) AddTreeDirectory();
}

}  // namespace nebu
