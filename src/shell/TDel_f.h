#pragma once
// The delete-choice question: which of two identical files, each found on
// both sides, to delete. Asked modally on the GUI thread; the safe answer
// "削除しない" has the keyboard focus.

#include <QDialog>
#include <memory>

#include "engine/NebuHost.h"

namespace Ui {
class TDel_f;
}

namespace nebu {

class TDel_f : public QDialog {
    Q_OBJECT
  public:
    explicit TDel_f(QWidget* parent = nullptr);
    ~TDel_f() override;

    // Shows the two files of `choice`, waits for the answer and stores it
    // in choice.DelResult and in DelResult.
    void Ask(DeleteChoice& choice);

    // The answer of the last showing (NotAsked before the first).
    DelAnswer DelResult = DelAnswer::NotAsked;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void LayoutForTexts();

    std::unique_ptr<Ui::TDel_f> ui_;
    // Design geometry of every child, for a 12-pixel font.
    std::vector<std::pair<QWidget*, QRect>> design_;
};

}  // namespace nebu
