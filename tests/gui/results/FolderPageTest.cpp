// The results window's ﾌｫﾙﾀﾞ別 page and the UTF-8 type of ﾌｧｲﾙに保存, after
// real jobs over real trees.

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <memory>

#include "engine/JobTestSupport.h"
#include "gui/support/GuiTest.h"
#include "report/ResultActions.h"
#include "results/SameListModel.h"
#include "results/TShori_f.h"

using namespace nebu;
using namespace nebu::test;
using guitest::Find;

class FolderPageTest : public QObject {
    Q_OBJECT
  private:
    std::unique_ptr<TempTree> tree_;
    std::unique_ptr<TNebu> job_;
    std::unique_ptr<TShori_f> window_;

    void RunJob() {
        job_ = std::make_unique<TNebu>();
        SetUpJob(*job_, {*tree_ / "元"}, {*tree_ / "先"});
        job_->DstSubDir = 1;
        window_->StartJob(*job_, {{}, true, false});
        auto* button = Find<QPushButton>(window_.get(), "Button1");
        QVERIFY(QTest::qWaitFor([&] { return button->text() == "閉じる"; }, 60000));
    }
    QTreeView* List(const char* name) { return Find<QTreeView>(window_.get(), name); }
    QString Cell(QTreeView* list, int row, int column) {
        return list->model()->index(row, column).data().toString();
    }

  private slots:
    void init() {
        tree_ = std::make_unique<TempTree>();
        window_ = std::make_unique<TShori_f>();
        window_->show();
    }
    void cleanup() {
        window_.reset();
        job_.reset();
        tree_.reset();
    }

    void FolderPageSortsAndShowsAFoldersRows() {
        const std::string one = RandomBytes(3000, 1);
        const std::string two = RandomBytes(500, 2);
        tree_->Write("元/一.bin", one);
        tree_->Write("元/二.bin", two);
        // 全部: both files found; 一部: one of three; the rows of 一部 and
        // 全部 interleave in the same-file list's size order.
        tree_->Write("先/全部/一.bin", one);
        tree_->Write("先/全部/二.bin", two);
        tree_->Write("先/一部/一の写し.bin", one);
        tree_->Write("先/一部/別.bin", RandomBytes(700, 3));
        tree_->Write("先/一部/別2.bin", RandomBytes(800, 4));
        RunJob();

        auto* pages = Find<QTabWidget>(window_.get(), "PageControl1");
        auto* page = Find<QWidget>(window_.get(), "TabSheet4");
        QCOMPARE(pages->tabText(pages->indexOf(page)), QString("ﾌｫﾙﾀﾞ別"));
        QVERIFY(pages->isTabEnabled(pages->indexOf(page)));
        pages->setCurrentWidget(page);
        QTreeView* folders = List("FolderList");
        QCOMPARE(folders->model()->rowCount(), 2);

        // Sorted by found files, fewest first, then most first.
        QHeaderView* header = folders->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
        const Qt::SortOrder first = header->sortIndicatorOrder();
        const int fewest = first == Qt::AscendingOrder ? 0 : 1;
        QCOMPARE(Cell(folders, fewest, 0), QString::fromStdString(*tree_ / "先/一部"));
        QCOMPARE(Cell(folders, fewest, 1) + "/" + Cell(folders, fewest, 2), QString("1/3"));
        QCOMPARE(Cell(folders, fewest, 5), QString());
        QCOMPARE(Cell(folders, 1 - fewest, 1) + "/" + Cell(folders, 1 - fewest, 2), QString("2/2"));
        QCOMPARE(Cell(folders, 1 - fewest, 5), QString("○"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
        QVERIFY(header->sortIndicatorOrder() != first);
        QCOMPARE(Cell(folders, 1, 0),
                 QString::fromStdString(*tree_ / (fewest == 0 ? "先/一部" : "先/全部")));

        // A double click on 全部 shows its two rows, selected, in the same-file list.
        int row = 0;
        while (Cell(folders, row, 0) != QString::fromStdString(*tree_ / "先/全部")) ++row;
        const QRect cell = folders->visualRect(folders->model()->index(row, 0));
        QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(pages->currentWidget(), Find<QWidget>(window_.get(), "TabSheet2"));
        QTreeView* same = List("MatchList");
        QCOMPARE(same->model()->rowCount(), 3);
        const QModelIndexList selected = same->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 2);
        for (const QModelIndex& index : selected) {
            QCOMPARE(Cell(same, index.row(), 1), QString::fromStdString(*tree_ / "先/全部"));
        }
    }

    void SavingChoosesTheUtf8Type() {
        const std::string same = RandomBytes(600, 5);
        tree_->Write("元/原本.txt", same);
        tree_->Write("先/写し.txt", same);
        RunJob();
        Find<QTabWidget>(window_.get(), "PageControl1")->setCurrentIndex(1);
        const std::string path = *tree_ / "一覧";
        QStringList offered;
        guitest::WhenModalShows([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (dialog == nullptr) qFatal("no file dialog");
            offered = dialog->nameFilters();
            // The second file type, chosen in the type box with the keyboard.
            auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
            if (types == nullptr) qFatal("no file type box");
            types->setFocus();
            QTest::keyClick(types, Qt::Key_Down);
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(path));
            static_cast<QDialog*>(dialog)->accept();
        });
        QTest::mouseClick(Find<QToolButton>(window_.get(), "saveBtn"), Qt::LeftButton);
        QCOMPARE(offered, QStringList({kCsvFilter, kCsvUtf8Filter}));
        const std::string csv = ReadFile(path + ".csv");
        QCOMPARE(QString::fromStdString(csv),
                 QString::fromStdString("\xEF\xBB\xBF\"比較先(削除対象)\",\"ﾌｫﾙﾀﾞ名\",\"比較元\","
                                        "\"ﾌｫﾙﾀﾞ名\"\r\n\"写し.txt\",\"" +
                                        *tree_ / "先" + "\",\"原本.txt\",\"" + *tree_ / "元" +
                                        "\"\r\n"));
    }
};

NEBU_GUI_TEST_MAIN(FolderPageTest)
#include "FolderPageTest.moc"
