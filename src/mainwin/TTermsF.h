#pragma once
// The conditions dialog: masks per side, the size range and the archive
// options. Modeless; it exists for the whole run and keeps its fields while
// hidden. It edits the same WindowSettings as the main window.

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TTermsF;
}

namespace nebu {

struct WindowSettings;

class TTermsF : public QDialog {
    Q_OBJECT
  public:
    // `changed` runs after every change this dialog makes to `settings`, so
    // the main window can show what a same-conditions copy did there.
    TTermsF(WindowSettings& settings, std::function<void()> changed, QWidget* parent = nullptr);
    ~TTermsF() override;

    // Controls <- settings, with the controls' signals blocked.
    void ShowSettings();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Changed();
    int SideOf(QObject* field) const;

    std::unique_ptr<Ui::TTermsF> ui_;
    WindowSettings& settings_;
    std::function<void()> changed_;
};

}  // namespace nebu
