#include "mainwin/TMain_from.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QSignalBlocker>

#include "controls/TDirListBox.h"
#include "engine/Nebu.h"
#include "mainwin/TTermsF.h"
#include "results/NebuMessages.h"
#include "results/TShori_f.h"
#include "settings/JobSetup.h"
#include "settings/Reactions.h"
#include "settings/SettingsFile.h"
#include "ui_TMain_from.h"

namespace nebu {

namespace {

QStringList Entries(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& t : texts) list << QString::fromStdString(t);
    return list;
}

}  // namespace

TMain_from::TMain_from(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::TMain_from>()),
      job_(std::make_unique<TNebu>()) {
    ui_->setupUi(this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    job_->FileFunc->Caption = kMessageCaption;
    // The archive boxes can be used only for the libraries that loaded.
    settings_.LzhEnabled = job_->FileFunc->LzhReady != 0;
    settings_.ZipEnabled = job_->FileFunc->ZipReady != 0;
    settings_.ArcEnabled = job_->FileFunc->ArcReady != 0;

    ConnectSide(1);
    ConnectSide(2);
    connect(ui_->NoDelChk, &QCheckBox::toggled, this,
            [this](bool on) { Apply([&] { settings_.NoDelChk = on; }); });
    connect(ui_->DelChk, &QCheckBox::toggled, this,
            [this](bool on) { Apply([&] { settings_.DelChk = on; }); });
    connect(ui_->CheckSame, &QCheckBox::toggled, this,
            [this](bool on) { Apply([&] { SetCheckSame(settings_, on); }); });
    connect(ui_->CheckHidden, &QCheckBox::toggled, this,
            [this](bool on) { Apply([&] { SetCheckHidden(settings_, on); }); });
    connect(ui_->CheckSystem, &QCheckBox::toggled, this,
            [this](bool on) { Apply([&] { SetCheckSystem(settings_, on); }); });
    connect(ui_->CheckLog, &QCheckBox::toggled, this,
            [this](bool on) { Apply([&] { settings_.CheckLog = on; }); });
    connect(ui_->CheckDelDir, &QCheckBox::toggled, this,
            [this](bool on) { Apply([&] { settings_.CheckDelDir = on; }); });
    connect(ui_->CheckTrash, &QCheckBox::toggled, this,
            [this](bool on) { Apply([&] { settings_.CheckTrash = on; }); });
    connect(ui_->DiffListChk, &QCheckBox::toggled, this,
            [this](bool on) { Apply([&] { settings_.DiffListChk = on; }); });

    connect(ui_->SpeedButton1, &QToolButton::toggled, this, &TMain_from::ShowDetails);
    connect(ui_->Button1, &QPushButton::clicked, this, [this] {
        terms_->show();
        terms_->raise();
    });
    connect(ui_->OK, &QPushButton::clicked, this, &TMain_from::OKClick);
    connect(ui_->Button2, &QPushButton::clicked, this, &TMain_from::ExitClick);
    connect(ui_->Exit1, &QAction::triggered, this, &TMain_from::ExitClick);
    connect(ui_->OptLoad, &QAction::triggered, this, &TMain_from::OptLoadClick);
    connect(ui_->OptSave, &QAction::triggered, this, &TMain_from::OptSaveClick);
    ConnectSettingsMenu();

    ShowDetails(false);
    ShowSettings();
}

TMain_from::~TMain_from() = default;

void TMain_from::SetPeers(TShori_f* shori, TTermsF* terms) {
    shori_ = shori;
    terms_ = terms;
    connect(shori_, &TShori_f::Closed, this, [this] {
        setEnabled(true);
        terms_->setEnabled(true);
    });
}

void TMain_from::SetDirDialog(TDirF* dirF) {
    dirF_ = dirF;
}

void TMain_from::SetStartupSettingsFile(const std::string& path) {
    startupSettingsFile_ = path;
}

TDirListBox* TMain_from::Tree(int side) const {
    return side == 1 ? ui_->DirList1 : ui_->DirList2;
}

QListWidget* TMain_from::List(int side) const {
    return side == 1 ? ui_->DirListBox1 : ui_->DirListBox2;
}

TGroupBoxF* TMain_from::Group(int side) const {
    return side == 1 ? ui_->GroupBox1 : ui_->GroupBox2;
}

void TMain_from::ConnectSide(int side) {
    const bool one = side == 1;
    connect(one ? ui_->SubDirChk1 : ui_->SubDirChk2, &QCheckBox::toggled, this,
            [this, side](bool on) { Apply([&] { SetSubDirChk(settings_, side, on); }); });
    connect(one ? ui_->LzhChk1 : ui_->LzhChk2, &QCheckBox::toggled, this,
            [this, side](bool on) { Apply([&] { SetLzhChk(settings_, side, on); }); });
    connect(one ? ui_->ZipChk1 : ui_->ZipChk2, &QCheckBox::toggled, this,
            [this, side](bool on) { Apply([&] { SetZipChk(settings_, side, on); }); });
    connect(one ? ui_->ArcChk1 : ui_->ArcChk2, &QCheckBox::toggled, this,
            [this, side](bool on) { Apply([&] { SetArcChk(settings_, side, on); }); });
    connect(one ? ui_->WithFilesChk1 : ui_->WithFilesChk2, &QCheckBox::toggled, this,
            [this, side](bool on) { Apply([&] { SetWithFilesChk(settings_, side, on); }); });
    TDirListBox* tree = Tree(side);
    connect(tree, &TDirListBox::OnChange, this, [this, side, tree] {
        Apply([&] { SetTreeDirectory(settings_, side, tree->Directory()); });
    });
    connect(tree, &TDirListBox::OnClick, this,
            [this, side, tree] { lastClickedDir_[side - 1] = tree->Directory(); });
    ConnectDirList(side);
}

void TMain_from::Apply(const std::function<void()>& rule) {
    rule();
    ShowSettings();
}

void TMain_from::ShowSettings() {
    {
        // Only the controls this window listens to: a tree's or list's own
        // model must keep telling its view about new rows.
        std::vector<std::unique_ptr<QSignalBlocker>> blockers;
        for (QObject* o : findChildren<QCheckBox*>())
            blockers.push_back(std::make_unique<QSignalBlocker>(o));
        for (QObject* o :
             {static_cast<QObject*>(ui_->DirList1), static_cast<QObject*>(ui_->DirList2)})
            blockers.push_back(std::make_unique<QSignalBlocker>(o));
        ShowSide(1);
        ShowSide(2);
        ui_->NoDelChk->setChecked(settings_.NoDelChk);
        ui_->DelChk->setChecked(settings_.DelChk);
        ui_->DelChk->setEnabled(settings_.DelChkEnabled());
        ui_->CheckSame->setChecked(settings_.CheckSame);
        ui_->CheckHidden->setChecked(settings_.CheckHidden);
        ui_->CheckSystem->setChecked(settings_.CheckSystem);
        ui_->CheckLog->setChecked(settings_.CheckLog);
        ui_->CheckDelDir->setChecked(settings_.CheckDelDir);
        ui_->CheckTrash->setChecked(settings_.CheckTrash);
        ui_->DiffListChk->setChecked(settings_.DiffListChk);
    }
    if (terms_ != nullptr) terms_->ShowSettings();
}

void TMain_from::ShowSide(int side) {
    const SideSettings& s = settings_.Side(side);
    const bool one = side == 1;
    (one ? ui_->SubDirChk1 : ui_->SubDirChk2)->setChecked(s.SubDirChk);
    QCheckBox* lzh = one ? ui_->LzhChk1 : ui_->LzhChk2;
    QCheckBox* zip = one ? ui_->ZipChk1 : ui_->ZipChk2;
    lzh->setChecked(s.LzhChk);
    lzh->setEnabled(settings_.LzhEnabled);
    zip->setChecked(s.ZipChk);
    zip->setEnabled(settings_.ZipEnabled);
    QCheckBox* arc = one ? ui_->ArcChk1 : ui_->ArcChk2;
    arc->setChecked(s.ArcChk);
    arc->setEnabled(settings_.ArcEnabled);
    QCheckBox* withFiles = one ? ui_->WithFilesChk1 : ui_->WithFilesChk2;
    withFiles->setChecked(s.WithFilesChk);
    withFiles->setEnabled(settings_.WithFilesEnabled(side));
    QListWidget* list = one ? ui_->DirListBox1 : ui_->DirListBox2;
    const QStringList entries = Entries(s.DirListText);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
    if (shown != entries) {
        list->clear();
        list->addItems(entries);
    }
    (one ? ui_->DirStack1 : ui_->DirStack2)->setCurrentIndex(s.DirListShown ? 1 : 0);
    ShowTree(side);
}

// The tree can refuse a directory (gone, or not enterable); the model then
// follows the tree, which may copy the side once more.
void TMain_from::ShowTree(int side) {
    TDirListBox* tree = Tree(side);
    if (tree->SearchAttr() != settings_.SearchAttr) tree->SetSearchAttr(settings_.SearchAttr);
    for (int pass = 0; pass < 3; ++pass) {
        const std::string& wanted = settings_.Side(side).DirectoryListBox;
        if (tree->Directory() == wanted) return;
        tree->SetDirectory(wanted);
        if (tree->Directory() == wanted) return;
        SetTreeDirectory(settings_, side, tree->Directory());
    }
}

void TMain_from::ShowDetails(bool down) {
    ui_->OptionPanel->setVisible(down);
}

void TMain_from::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    LoadAtFirstShow();
}

void TMain_from::OKClick() {
    // A worker still being wound down is joined before anything else, so
    // two never run at once.
    if (shori_->JobRunning()) shori_->StopAndJoin();
    if (auto message = ApplyToJob(settings_, *job_)) {
        ShowNebuMessage(this, *message);
        return;
    }
    JobStartOptions options;
    options.LogPath = LogPathForJob(settings_);
    options.ResultActions = ResultActionsAllowed(settings_);
    options.ShowDiffList = settings_.DiffListChk && !settings_.CheckSame;
    shori_->hide();
    setEnabled(false);
    terms_->setEnabled(false);
    shori_->StartJob(*job_, options);
}

void TMain_from::ExitClick() {
    close();
    QCoreApplication::exit(0);
}

void TMain_from::closeEvent(QCloseEvent* event) {
    // The window manager can close this window even while it is disabled
    // during a job; the worker must be joined before the job goes away.
    if (shori_ != nullptr && shori_->JobRunning()) shori_->StopAndJoin();
    SaveSettings(std::string());
    event->accept();
}

}  // namespace nebu
