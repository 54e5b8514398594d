#pragma once
// The directory tree list: a fixed "ﾏｲ ｺﾝﾋﾟｭｰﾀ" row, then either the mounted
// volumes (computer level, empty Directory) or the path from the volume to
// the current directory, then its sub-directories. One left click (or Enter)
// opens a row; Shift+F10 or the Menu key asks for the pop-up menu. The rows
// and their paths come from a class without widgets (DirTreeRows); this
// class only draws them and reacts to the user.

#include <QListView>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controls/Volumes.h"

class QLabel;

namespace nebu {

class TDirListBox : public QListView {
    Q_OBJECT
  public:
    explicit TDirListBox(QWidget* parent = nullptr);
    ~TDirListBox() override;

    // Current directory; empty at the computer level.
    const std::string& Directory() const;
    // Opens a directory; nothing happens when it equals Directory().
    void SetDirectory(const std::string& directory);
    // Changes directory without the equality test; always rebuilds and
    // raises OnChange.
    void SetDir(const std::string& directory);

    std::uint32_t SearchAttr() const;
    // Stores the attribute mask and rebuilds (Update).
    void SetSearchAttr(std::uint32_t attr);
    // Rebuilds the rows, then raises OnChange.
    void Update();
    // Opens the selected row; nothing without a selection.
    void OpenCurrent();
    // The directory a row stands for ("" for the computer row or a row
    // index out of range).
    std::string GetItemPath(int row) const;

    // Where the volumes come from: the machine's (QStorageInfo) by default;
    // tests give a fixed list. Rebuilds.
    void SetVolumeSource(std::function<std::vector<Volume>()> source);

    // An optional label that shows Directory, shortened to the tree's width;
    // forgotten when the label is destroyed. nullptr detaches it.
    void SetDirLabel(QLabel* label);
    QLabel* DirLabel() const;

  signals:
    // After every rebuild through SetDir or Update.
    void OnChange();
    // A single click on a row (before the row is opened on release).
    void OnClick();
    // A double click (the first release has already opened a row).
    void OnDblClick();

  protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildList();
    void ShowTopAndCurrent();
    void Change();
    void RefreshDirLabel();

    struct Impl;
    Impl* d_;
};

}  // namespace nebu
