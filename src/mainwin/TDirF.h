#pragma once
// The add-directory dialog: a directory tree that keeps its place between
// showings, 追加 and 戻る. Created once and shown modally by the main
// window, which reads AddDir after it closed.

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

namespace Ui {
class TDirF;
}

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
    void OKClick();
    void DirListDblClick();

    std::unique_ptr<Ui::TDirF> ui_;
    std::string addDir_;
    std::string lastClickedDir_;
};

}  // namespace nebu
