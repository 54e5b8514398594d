// The directory tree list driven as a user drives it: clicks on rows, Enter,
// arrow keys and double clicks, over a real temporary tree and a fixed list
// of volumes.

#include <unistd.h>

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "controls/DirTreeModel.h"
#include "controls/TDirListBox.h"
#include "gui/support/GuiTest.h"

using namespace nebu;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string ProcessDirectory() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

}  // namespace

class TDirListBoxTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    std::string vol_;
    std::unique_ptr<TDirListBox> box_;

    QStringList Texts() const {
        QStringList texts;
        for (int i = 0; i < box_->model()->rowCount(); ++i)
            texts << box_->model()->index(i, 0).data().toString();
        return texts;
    }
    int RowOf(const QString& text) const { return static_cast<int>(Texts().indexOf(text)); }
    RowPicture PictureOf(int row) const {
        const QModelIndex index = box_->model()->index(row, 0);
        return static_cast<RowPicture>(index.data(DirTreeModel::PictureRole).toInt());
    }
    int SelectedRow() const {
        const QModelIndexList rows = box_->selectionModel()->selectedIndexes();
        return rows.size() == 1 ? rows.first().row() : -1;
    }
    void ClickRow(int row) {
        QVERIFY(row >= 0);
        const QRect rect = box_->visualRect(box_->model()->index(row, 0));
        QVERIFY(rect.isValid());
        QTest::mouseClick(box_->viewport(), Qt::LeftButton, {}, rect.center());
    }

  private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        const QString root = QDir(tmp_.path()).canonicalPath() + "/vol";
        for (const char* sub : {"データ/写真/2024", "データ/書類", "データ/.隠し", "消える/中"})
            QVERIFY(QDir().mkpath(root + "/" + QString::fromUtf8(sub)));
        vol_ = root.toStdString();
    }

    void init() {
        box_ = std::make_unique<TDirListBox>();
        box_->SetVolumeSource([this] {
            return std::vector<Volume>{{"/", "システム", "/dev/sda1", VolumeKind::Fixed},
                                       {vol_, "", "tmpfs", VolumeKind::Ram},
                                       {"/mnt/nfs", "", "server:/export", VolumeKind::Network}};
        });
        box_->resize(300, 400);
        box_->show();
        QVERIFY(QTest::qWaitForWindowExposed(box_.get()));
    }

    void cleanup() { box_.reset(); }

    void startsInTheProcessDirectory() {
        QCOMPARE(Q(box_->Directory()), Q(ProcessDirectory()));
        QCOMPARE(box_->SearchAttr(), 63u);
        QVERIFY(!box_->accessibleName().isEmpty());
        QCOMPARE(Texts().first(), QString("ﾏｲ ｺﾝﾋﾟｭｰﾀ"));
        QCOMPARE(box_->GetItemPath(SelectedRow()), box_->Directory());
    }

    void walkingTheTreeByClicksAndKeys() {
        const std::string data = vol_ + "/データ";
        box_->SetDirectory(data);
        QSignalSpy changes(box_.get(), &TDirListBox::OnChange);
        QSignalSpy clicks(box_.get(), &TDirListBox::OnClick);
        QCOMPARE(Q(box_->Directory()), Q(data));
        // 63 leaves nothing out: the hidden folder is listed too.
        QCOMPARE(Texts(),
                 QStringList({"ﾏｲ ｺﾝﾋﾟｭｰﾀ", Q(vol_ + "[]"), "データ", ".隠し", "写真", "書類"}));
        QCOMPARE(PictureOf(1), RowPicture::Ram);
        QCOMPARE(PictureOf(2), RowPicture::CurrentFolder);
        QCOMPARE(PictureOf(3), RowPicture::ClosedFolder);
        QCOMPARE(SelectedRow(), 2);

        // One click on a sub-directory opens it and makes it the process's directory.
        ClickRow(RowOf("写真"));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(Q(box_->Directory()), Q(data + "/写真"));
        QCOMPARE(Q(ProcessDirectory()), Q(data + "/写真"));
        QCOMPARE(PictureOf(2), RowPicture::OpenFolder);
        QCOMPARE(SelectedRow(), 3);

        // Clicking the current row opens nothing new and raises no change.
        ClickRow(3);
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(changes.count(), 1);

        // Arrows only move; Enter opens the selected row.
        QTest::keyClick(box_.get(), Qt::Key_Up);
        QCOMPARE(SelectedRow(), 2);
        QCOMPARE(clicks.count(), 3);
        QCOMPARE(changes.count(), 1);
        QTest::keyClick(box_.get(), Qt::Key_Return);
        QCOMPARE(Q(box_->Directory()), Q(data));
        QCOMPARE(changes.count(), 2);

        // The volume row opens the volume's root; ﾏｲ ｺﾝﾋﾟｭｰﾀ the computer level.
        ClickRow(1);
        QCOMPARE(Q(box_->Directory()), Q(vol_));
        QCOMPARE(SelectedRow(), 1);
        ClickRow(0);
        QCOMPARE(Q(box_->Directory()), QString());
        QCOMPARE(changes.count(), 4);
        QStringList volumes = {"/[システム]", "/mnt/nfs[server:/export]", Q(vol_ + "[]")};
        if (vol_ < "/mnt/nfs") volumes.swapItemsAt(1, 2);  // mount-point order
        QCOMPARE(Texts(), QStringList("ﾏｲ ｺﾝﾋﾟｭｰﾀ") + volumes);
        QCOMPARE(PictureOf(RowOf("/mnt/nfs[server:/export]")), RowPicture::Network);
        QCOMPARE(SelectedRow(), 0);
        ClickRow(0);  // the computer level again: nothing happens
        QCOMPARE(changes.count(), 4);
        ClickRow(RowOf(Q(vol_ + "[]")));
        QCOMPARE(Q(box_->Directory()), Q(vol_));
        QCOMPARE(changes.count(), 5);
    }

    void doubleClickOpensOneLevelOnly() {
        const std::string data = vol_ + "/データ";
        box_->SetDirectory(data);
        QSignalSpy doubles(box_.get(), &TDirListBox::OnDblClick);
        QSignalSpy changes(box_.get(), &TDirListBox::OnChange);
        const QPoint at = box_->visualRect(box_->model()->index(RowOf("写真"), 0)).center();
        QTest::mouseClick(box_->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(box_->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(box_->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(doubles.count(), 1);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(Q(box_->Directory()), Q(data + "/写真"));
    }

    void searchAttrShowsOrHidesHiddenFolders() {
        box_->SetDirectory(vol_ + "/データ");
        QSignalSpy changes(box_.get(), &TDirListBox::OnChange);
        box_->SetSearchAttr(49);
        QCOMPARE(RowOf(".隠し"), -1);
        box_->SetSearchAttr(51);
        QVERIFY(RowOf(".隠し") > 2);
        QCOMPARE(Q(box_->GetItemPath(RowOf(".隠し"))), Q(vol_ + "/データ/.隠し"));
        QCOMPARE(changes.count(), 2);
    }

    void directoriesThatCannotBeEntered() {
        const std::string gone = vol_ + "/消える";
        box_->SetDirectory(gone + "/中");
        QSignalSpy changes(box_.get(), &TDirListBox::OnChange);
        box_->SetDirectory(vol_ + "/無い");
        QCOMPARE(Q(box_->Directory()), Q(gone + "/中"));  // kept, yet rebuilt and reported
        QCOMPARE(changes.count(), 1);
        QVERIFY(QDir(Q(gone)).removeRecursively());
        box_->SetDirectory(vol_ + "/無い");
        QCOMPARE(Q(box_->Directory()), QString());  // the old one vanished too
        QCOMPARE(changes.count(), 2);
        QCOMPARE(Texts().size(), 4);
        // A relative text is taken from the directory shown.
        box_->SetDirectory(vol_);
        box_->SetDirectory("データ/書類");
        QCOMPARE(Q(box_->Directory()), Q(vol_ + "/データ/書類"));
    }

    void rowHeightFollowsTheFontButNeverShrinksBelowAPicture() {
        QFont tiny = box_->font();
        tiny.setPixelSize(4);
        box_->setFont(tiny);
        QTRY_VERIFY(box_->visualRect(box_->model()->index(0, 0)).height() >= 17);
        QFont large = box_->font();
        large.setPixelSize(40);
        box_->setFont(large);
        QTRY_VERIFY(box_->visualRect(box_->model()->index(0, 0)).height() >=
                    QFontMetrics(large).height());
    }

    void dirLabelShowsTheShortenedDirectory() {
        auto label = std::make_unique<QLabel>();
        box_->resize(4000, 400);
        box_->SetDirLabel(label.get());
        const std::string deep = vol_ + "/データ/写真/2024";
        box_->SetDirectory(deep);
        QCOMPARE(label->text(), Q(deep));
        box_->resize(1, 400);
        box_->Update();
        QCOMPARE(label->text(), QString("2024"));
        label.reset();
        QCOMPARE(box_->DirLabel(), nullptr);
        box_->Update();  // a destroyed label is forgotten, never touched
    }
};

NEBU_GUI_TEST_MAIN(TDirListBoxTest)
#include "TDirListBoxTest.moc"
