#pragma once
// F1 help: which help context a control belongs to, and the application-wide
// key filter that opens the manual there, so no window needs code for it.

#include <QObject>
#include <functional>

class QWidget;

namespace nebu {

// The context number of `widget`: its own number, else that of the nearest
// enclosing control or window that has one. Never looks past the widget's
// own window, so a dialog without numbers gives 0 ("no help here").
int HelpContextOf(const QWidget* widget);

// The number of a menu of the main window's menu bar (8, 9, 54), 0 for any
// other menu, such as a pop-up menu.
int HelpContextOfMenu(const QWidget* menu);

// Installed on the application: F1 pressed anywhere asks `open` for the
// context of the control that received it (a menu when one is open), and
// does nothing where there is no number.
class HelpKeyFilter : public QObject {
    Q_OBJECT
  public:
    explicit HelpKeyFilter(std::function<void(int context)> open, QObject* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void(int)> open_;
};

}  // namespace nebu
