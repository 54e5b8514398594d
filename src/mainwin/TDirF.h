#pragma once
// The add-directory dialog: a directory tree that keeps its place between
// showings, a field where a directory can be typed instead (with completion
// of folder names), 追加 and 戻る. Created once and shown modally by the main
// window, which reads AddDir after it closed.

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

namespace Ui {
class TDirF;
}
class QFileSystemModel;

namespace nebu {

class TDirListBox;

class TDirF : public QDialog {
    Q_OBJECT
  public:
    explicit TDirF(QWidget* parent = nullptr);
    ~TDirF() override;

    // Shows the dialog modally with the tree listing hidden and system
    // folders as `searchAttr` says; returns AddDir.
    std::string Choose(std::uint32_t searchAttr);
    // The directory chosen in the latest showing; empty when the user went
    // back or closed the dialog.
    const std::string& AddDir() const { return addDir_; }
    TDirListBox* Tree() const;

  private:
    // The typed directory when the field holds text, else the tree's.
    void OKClick();
    void AddTreeDirectory();
    void DirListDblClick();

    std::unique_ptr<Ui::TDirF> ui_;
    QFileSystemModel* folders_ = nullptr;  // what the field completes
    std::string addDir_;
    std::string lastClickedDir_;
};

}  // namespace nebu
