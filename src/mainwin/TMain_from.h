#pragma once
// The main window: both sides' directories and options, 開始 and 終了. It
// owns the one comparison job and the window model (WindowSettings); every
// user action runs one rule on the model and then shows the model again.

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "settings/WindowSettings.h"

class QListWidget;
class QMenu;

namespace Ui {
class TMain_from;
}

namespace nebu {

class TNebu;
class TShori_f;
class TTermsF;
class TDirListBox;
class TDirF;
class TGroupBoxF;

class TMain_from : public QMainWindow {
    Q_OBJECT
  public:
    explicit TMain_from(QWidget* parent = nullptr);
    ~TMain_from() override;

    // The windows this one starts and enables; set by start-up once every
    // window exists.
    void SetPeers(TShori_f* shori, TTermsF* terms);
    // The add-directory dialog that 追加 shows once a side works with a list.
    void SetDirDialog(TDirF* dirF);
    // The settings file named on the command line, loaded at the first show
    // when it names an existing file. A whole path: the trees change the
    // process's current folder as soon as they show a directory.
    void SetStartupSettingsFile(const std::string& path);

    WindowSettings& Settings() { return settings_; }
    TNebu& Job() { return *job_; }

    // Controls <- model, with the controls' signals blocked, then the
    // conditions dialog likewise.
    void ShowSettings();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ConnectSide(int side);
    void Apply(const std::function<void()>& rule);
    void ShowSide(int side);
    void ShowTree(int side);
    void LoadAtFirstShow();
    void LoadSettings(const std::string& path);
    // The state kept between runs (empty path) or a settings file.
    void SaveSettings(const std::string& path);
    void ConnectSettingsMenu();
    void OKClick();
    void ExitClick();
    void OptLoadClick();
    void OptSaveClick();
    void ShowDetails(bool down);
    TDirListBox* Tree(int side) const;
    QListWidget* List(int side) const;
    TGroupBoxF* Group(int side) const;

    // The side's directory list (DirListRules): add, delete, pop-up menu.
    void ConnectDirList(int side);
    void Add(int side);
    void DeleteSelectedDirs(int side);
    // Adds the folders on the clipboard as a drop would.
    void Paste(int side);
    void Popup(int side, const QPoint& globalPos);

    std::unique_ptr<Ui::TMain_from> ui_;
    std::unique_ptr<TNebu> job_;
    WindowSettings settings_;
    TShori_f* shori_ = nullptr;
    TTermsF* terms_ = nullptr;
    TDirF* dirF_ = nullptr;
    std::array<QMenu*, 2> popupMenus_{};
    std::string startupSettingsFile_;
    bool shownOnce_ = false;
    std::array<std::string, 2> lastClickedDir_;
};

}  // namespace nebu
