#pragma once
// The full text of a directory-list entry too wide for its list, shown as a
// hint laid exactly over the entry while the mouse rests on it.

#include <QObject>
#include <QPoint>

class QListWidget;

namespace nebu {

class DirListHint : public QObject {
    Q_OBJECT
  public:
    // Follows the mouse over `list` (switches its mouse tracking on); owned
    // by the list.
    explicit DirListHint(QListWidget* list);

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

    QListWidget* list_;
    int row_ = -1;
};

}  // namespace nebu
