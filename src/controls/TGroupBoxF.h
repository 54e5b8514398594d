#pragma once
// A group box that takes local files and folders dragged from the desktop's
// file manager (text/uri-list) and hands their paths to its owner, once per
// drop, in the order the desktop delivered them.

#include <QGroupBox>
#include <string>
#include <vector>

namespace nebu {

class TGroupBoxF : public QGroupBox {
    Q_OBJECT
  public:
    explicit TGroupBoxF(QWidget* parent = nullptr);

    bool DragAccept() const { return dragAccept_; }
    // Off at creation. Switching it on starts with an empty DropList.
    void SetDragAccept(bool value);
    // The paths of the latest drop, whole; replaced at the next drop.
    const std::vector<std::string>& DropList() const { return dropList_; }

  signals:
    // Raised once per drop with DropList.
    void OnDropFiles(const std::vector<std::string>& paths);

  protected:
    virtual void DropFiles();
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool Takes(const QDropEvent* event) const;

    bool dragAccept_ = false;
    std::vector<std::string> dropList_;
};

}  // namespace nebu
