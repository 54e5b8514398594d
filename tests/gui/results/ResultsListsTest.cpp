// The two results lists as models, without a window: sorting, swapping the
// sides of a pair, removing the rows of a deleted or missing file, and rows
// that stay out of sight during a job.

#include <QSignalSpy>
#include <QTest>

#include "gui/support/GuiTest.h"
#include "results/DiffListModel.h"
#include "results/SameListModel.h"

using namespace nebu;

namespace {

SameRow Row(std::string target, std::string targetFolder, std::int64_t size, std::string source,
            std::string sourceFolder, bool mutual = false) {
    return SameRow{std::move(target), std::move(targetFolder), SizeText(size),
                   std::move(source), std::move(sourceFolder), mutual ? 0 : 1};
}

QStringList Column(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r) texts << model.index(r, column).data().toString();
    return texts;
}

}  // namespace

class ResultsListsTest : public QObject {
    Q_OBJECT
  private slots:
    void SizeColumnSortsLikeNumbersAndKeepsItsTexts() {
        SameListModel model;
        ListSortState state;
        model.AddSameRow(Row("b.txt", "/先", 1000 * 1024, "b.txt", "/元"));
        model.AddSameRow(Row("a.txt", "/先", 999 * 1024, "a.txt", "/元"));
        model.AddSameRow(Row("c.txt", "/先", 5 * 1024, "c.txt", "/元"));
        model.SortByColumn(2, state);
        QCOMPARE(Column(model, 2), QStringList({"5KB", "999KB", "1,000KB"}));
        // A second click reverses; the direction is shared with the other list.
        model.SortByColumn(2, state);
        QCOMPARE(Column(model, 2), QStringList({"1,000KB", "999KB", "5KB"}));
        DiffListModel diff;
        diff.SetRows({DiffRow{"y", "", "2KB", "", "", ""}, DiffRow{"x", "", "1KB", "", "", ""}});
        diff.SortByColumn(2, state);
        QCOMPARE(Column(diff, 2), QStringList({"1KB", "2KB"}));
        diff.SortByColumn(0, state);
        model.SortByColumn(0, state);
        QCOMPARE(Column(model, 0), QStringList({"c.txt", "b.txt", "a.txt"}));
        QCOMPARE(model.index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }

    void NamesSortWithoutCaseAndStably() {
        SameListModel model;
        ListSortState state;
        model.AddSameRow(Row("b.TXT", "/一", 1, "s1", "/元"));
        model.AddSameRow(Row("A.txt", "/二", 1, "s2", "/元"));
        model.AddSameRow(Row("B.txt", "/三", 1, "s3", "/元"));
        model.AddSameRow(Row("a.txt", "/四", 1, "s4", "/元"));
        model.SortByColumn(0, state);
        QCOMPARE(Column(model, 1), QStringList({"/二", "/四", "/一", "/三"}));
        // Equal sources keep the order the names gave them.
        model.SortByColumn(4, state);
        QCOMPARE(Column(model, 1), QStringList({"/二", "/四", "/一", "/三"}));
    }

    void SwapSidesExchangesMutualPairsOnly() {
        SameListModel model;
        model.AddSameRow(Row("t.txt", "/先", 10, "s.txt", "/元", true));
        model.AddSameRow(Row("u.txt", "/先", 10, "v.txt", "/元", false));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.SwapSides({0, 1});
        QCOMPARE(model.Rows()[0], Row("s.txt", "/元", 10, "t.txt", "/先", true));
        QCOMPARE(model.Rows()[1], Row("u.txt", "/先", 10, "v.txt", "/元", false));
        QCOMPARE(changed.count(), 1);
        model.SwapSides({1});
        QCOMPARE(model.Rows()[1], Row("u.txt", "/先", 10, "v.txt", "/元", false));
        QCOMPARE(changed.count(), 1);
    }

    void RemoveRowsOfTargetSourceAndWholeArchive() {
        SameListModel model;
        model.AddSameRow(Row("一.txt", "/先", 1, "一.txt", "/元"));
        model.AddSameRow(Row("二.txt", "/先", 1, "a.txt", "/元/書庫.zip"));
        model.AddSameRow(Row("三.txt", "/先", 1, "b.txt", "/元/書庫.zip"));
        model.AddSameRow(Row("四.txt", "/先", 1, "一.txt", "/元"));
        model.AddSameRow(Row("五.txt", "/先", 1, "c.txt", "/元/別.zip"));
        QCOMPARE(model.RemoveRowsOf("*", "/元/書庫.zip"), 2);
        QCOMPARE(Column(model, 0), QStringList({"一.txt", "四.txt", "五.txt"}));
        // The source /元/一.txt is gone: both rows naming it go.
        QCOMPARE(model.RemoveRowsOf("一.txt", "/元"), 2);
        QCOMPARE(Column(model, 0), QStringList({"五.txt"}));
        QCOMPARE(model.RemoveRowsOf("五.txt", "/先"), 1);
        QCOMPARE(model.rowCount(), 0);
    }

    void RowsOfAJobAppearTogetherAtTheEnd() {
        SameListModel model;
        model.BeginBulkUpdate();
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 3; ++i) {
            model.AddSameRow(
                SamePairRec{"s", "/元", "t" + std::to_string(i), "/先/書庫.zip", 5, 1});
        }
        model.AddSameRow(SamePairRec{"s", "/元", "t", "/先", 5, 0});
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.Count(), 4u);
        // An archive deleted whole takes its rows with it before they show.
        QCOMPARE(model.RemoveRowsInTargetFolder("/先/書庫.zip"), 3);
        model.EndBulkUpdate();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, 0).data().toString(), QString("t"));
        QCOMPARE(model.index(0, 3).data().toString(), QString("s"));
        QVERIFY(!model.index(0, 0).data(Qt::DecorationRole).value<QPixmap>().isNull());
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("比較先(削除対象)"));
    }
};

NEBU_GUI_TEST_MAIN(ResultsListsTest)
#include "ResultsListsTest.moc"
