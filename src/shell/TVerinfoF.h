#pragma once
// The version-information dialog: a picture with the product name and
// version over it, a button to the manual's first page, and ＯＫ.

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TVerinfoF;
}

namespace nebu {

inline constexpr const char* kVersionText = "Ver1.4";

class TVerinfoF : public QDialog {
    Q_OBJECT
  public:
    explicit TVerinfoF(QWidget* parent = nullptr);
    ~TVerinfoF() override;

    // What 作者のホームページへ opens (the manual's first page); its
    // result is ignored and the dialog stays open.
    void SetHomePage(std::function<QString()> homePage);

  public slots:
    // Escape and the window system's close request: the dialog has no way
    // out but ＯＫ (or Enter on it), so both are refused.
    void reject() override;

  private:
    void OpenHomePage();
    void LayoutForFont();

    std::unique_ptr<Ui::TVerinfoF> ui_;
    std::function<QString()> homePage_;
};

}  // namespace nebu
