#pragma once
// The full text of a directory-list entry too wide for its list, shown as a
// hint laid exactly over the entry while the mouse rests on it.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class QLabel;
class QListWidget;

namespace nebu {

class DirListHint : public QObject {
    Q_OBJECT
  public:
    // Follows the mouse over `list` (switches its mouse tracking on); owned
    // by the list.
    explicit DirListHint(QListWidget* list);
    ~DirListHint() override;

    // Screen position of the hint's top-left corner for an entry, so the hint
    // of height `hintHeight` covers the entry.
    QPoint HintPos(int row, int hintHeight) const;
    // Whether the entry's text is wider than the list can show.
    bool TooWide(int row) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Update(const QPoint& viewportPos);
    void Hide();
    bool PointerOnShownEntry() const;

    QListWidget* list_;
    // A window of its own, transparent for input: the pointer resting under
    // it stays on the list, so the list never sees the mouse leave for it.
    QPointer<QLabel> hint_;
    QTimer hideTimer_;
    int row_ = -1;
};

}  // namespace nebu
