// The directory tree list driven as a user drives it: clicks on rows, Enter,
// arrow keys and double clicks, over a real temporary tree and a fixed list
// of volumes.

#include <unistd.h>

#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "controls/DirTreeDelegate.h"
#include "controls/DirTreeModel.h"
#include "controls/TDirListBox.h"
#include "gui/support/GuiTest.h"

using namespace nebu;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString ProcessDirectory() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? QString(buffer) : QString();
}

}  // namespace

class TDirListBoxTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    std::string vol_, data_;
    std::unique_ptr<TDirListBox> box_;

    QStringList Texts() const {
        QStringList texts;
        for (int i = 0; i < box_->model()->rowCount(); ++i)
            texts << box_->model()->index(i, 0).data().toString();
        return texts;
    }
    int RowOf(const QString& text) const { return int(Texts().indexOf(text)); }
    int Picture(int row) const {
        return box_->model()->index(row, 0).data(DirTreeModel::PictureRole).toInt();
    }
    int SelectedRow() const {
        const QModelIndexList rows = box_->selectionModel()->selectedIndexes();
        return rows.size() == 1 ? rows.first().row() : -1;
    }
    QPoint RowCentre(int row) const {
        return box_->visualRect(box_->model()->index(row, 0)).center();
    }
    void ClickRow(int row) {
        QVERIFY(row >= 0);
        QTest::mouseClick(box_->viewport(), Qt::LeftButton, {}, RowCentre(row));
    }

    bool RowOnScreen(int row) const {
        return box_->viewport()->rect().contains(box_->visualRect(box_->model()->index(row, 0)));
    }

  private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        const QString root = QDir(tmp_.path()).canonicalPath() + "/vol";
        for (const char* sub : {"データ/写真/2024", "データ/書類", "データ/.隠し", "消える/中"})
            QVERIFY(QDir().mkpath(root + "/" + QString::fromUtf8(sub)));
        vol_ = root.toStdString();
        data_ = vol_ + "/データ";
    }

    void init() {
        box_ = std::make_unique<TDirListBox>();
        QCOMPARE(Q(box_->Directory()), ProcessDirectory());
        QCOMPARE(box_->SearchAttr(), 63u);
        box_->setObjectName("DirList1");
        QCOMPARE(box_->accessibleName(), QString("ﾃﾞｨﾚｸﾄﾘ"));  // words, not the code name
        box_->SetVolumeSource([this] {
            return std::vector<Volume>{{"/", "システム", "/dev/sda1", VolumeKind::Fixed},
                                       {"/mnt/nfs", "", "server:/export", VolumeKind::Network},
                                       {vol_, "", "tmpfs", VolumeKind::Ram}};
        });
        box_->resize(300, 400);
        box_->show();
        QVERIFY(QTest::qWaitForWindowExposed(box_.get()));
    }

    void cleanup() { box_.reset(); }

    void walkingTheTreeByClicksAndKeys() {
        box_->SetDirectory(data_);
        QSignalSpy changes(box_.get(), &TDirListBox::OnChange);
        QSignalSpy clicks(box_.get(), &TDirListBox::OnClick);
        // 63 leaves nothing out: the hidden folder is listed too.
        QCOMPARE(Texts(),
                 QStringList({"ﾏｲ ｺﾝﾋﾟｭｰﾀ", Q(vol_ + "[]"), "データ", ".隠し", "写真", "書類"}));
        QCOMPARE(SelectedRow(), 2);

        // One click on a sub-directory opens it and makes it the process's directory.
        ClickRow(RowOf("写真"));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(Q(box_->Directory()), Q(data_ + "/写真"));
        QCOMPARE(ProcessDirectory(), Q(data_ + "/写真"));
        QCOMPARE(Picture(3), int(RowPicture::CurrentFolder));
        QCOMPARE(SelectedRow(), 3);
        ClickRow(3);  // the current row: no change to report
        QCOMPARE(clicks.count(), 2);
        QCOMPARE(changes.count(), 1);

        // Arrows only move; Enter opens the selected row.
        QTest::keyClick(box_.get(), Qt::Key_Up);
        QCOMPARE(SelectedRow(), 2);
        QCOMPARE(clicks.count(), 3);
        QCOMPARE(changes.count(), 1);
        QTest::keyClick(box_.get(), Qt::Key_Return);
        QCOMPARE(Q(box_->Directory()), Q(data_));
        QCOMPARE(changes.count(), 2);

        // The volume row opens the volume's root; ﾏｲ ｺﾝﾋﾟｭｰﾀ the computer level.
        ClickRow(1);
        QCOMPARE(Q(box_->Directory()), Q(vol_));
        QCOMPARE(SelectedRow(), 1);
        ClickRow(0);
        QCOMPARE(Q(box_->Directory()), QString());
        QCOMPARE(changes.count(), 4);
        QCOMPARE(Texts().size(), 4);
        QCOMPARE(Picture(RowOf("/mnt/nfs[server:/export]")), int(RowPicture::Network));
        ClickRow(0);  // already the computer level: nothing happens
        QCOMPARE(changes.count(), 4);
        ClickRow(RowOf(Q(vol_ + "[]")));
        QCOMPARE(Q(box_->Directory()), Q(vol_));
        QCOMPARE(changes.count(), 5);
    }

    void rebuiltTreeShowsItsTopWithTheCurrentRow() {
        // Two folders of 40 sub-folders each, one inside the other.
        const QString many = Q(vol_) + "/多い";
        for (int i = 0; i < 40; ++i) {
            QVERIFY(QDir().mkpath(many + QString("/子%1").arg(i, 2, 10, QChar('0'))));
            QVERIFY(QDir().mkpath(many + QString("/子39/孫%1").arg(i, 2, 10, QChar('0'))));
        }
        box_->resize(300, 200);
        box_->SetDirectory(many.toStdString());
        box_->scrollToBottom();
        const int last = box_->model()->rowCount() - 1;
        QVERIFY(!RowOnScreen(0) && RowOnScreen(last));
        ClickRow(last);  // opens 子39 from the scrolled position
        QCOMPARE(Q(box_->Directory()), many + "/子39");
        QVERIFY(RowOnScreen(0));
        QVERIFY(RowOnScreen(SelectedRow()));

        // A tree in a window that gets its directory before it is first shown.
        QWidget window;
        auto* inner = new TDirListBox(&window);
        (new QVBoxLayout(&window))->addWidget(inner);
        inner->SetVolumeSource([this] {
            return std::vector<Volume>{{vol_, "", "", VolumeKind::Ram}};
        });
        inner->SetDirectory(many.toStdString() + "/子39");
        window.resize(300, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const QModelIndex& row : {inner->model()->index(0, 0), inner->currentIndex()})
            QVERIFY(inner->viewport()->rect().contains(inner->visualRect(row)));
    }

    void doubleClickOpensOneLevelOnly() {
        box_->SetDirectory(data_);
        QSignalSpy doubles(box_.get(), &TDirListBox::OnDblClick);
        QSignalSpy changes(box_.get(), &TDirListBox::OnChange);
        const QPoint at = RowCentre(RowOf("写真"));
        QTest::mouseClick(box_->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(box_->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(box_->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(doubles.count(), 1);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(Q(box_->Directory()), Q(data_ + "/写真"));
    }

    void maskAndDirectoriesThatCannotBeEntered() {
        box_->SetDirectory(data_);
        QSignalSpy changes(box_.get(), &TDirListBox::OnChange);
        box_->SetSearchAttr(49);
        QCOMPARE(RowOf(".隠し"), -1);
        box_->SetSearchAttr(51);
        QCOMPARE(Q(box_->GetItemPath(RowOf(".隠し"))), Q(data_ + "/.隠し"));
        QCOMPARE(changes.count(), 2);

        const std::string gone = vol_ + "/消える";
        box_->SetDirectory(gone + "/中");
        box_->SetDirectory(vol_ + "/無い");
        QCOMPARE(Q(box_->Directory()), Q(gone + "/中"));  // kept, yet rebuilt and reported
        QCOMPARE(changes.count(), 4);
        QVERIFY(QDir(Q(gone)).removeRecursively());
        box_->SetDirectory(vol_ + "/無い");
        QCOMPARE(Q(box_->Directory()), QString());  // the old one vanished too
        QCOMPARE(changes.count(), 5);
        // A relative text is taken from the directory shown.
        box_->SetDirectory(vol_);
        box_->SetDirectory("データ/書類");
        QCOMPARE(Q(box_->Directory()), Q(data_ + "/書類"));
    }

    void picturesAreDrawn() {
        for (int i = 0; i < 9; ++i) {
            QSvgRenderer picture(DirTreeDelegate::PictureResource(RowPicture(i)));
            QVERIFY(picture.isValid());
            QCOMPARE(picture.defaultSize(), DirTreeDelegate::PictureSize(RowPicture(i)));
        }
        box_->SetDirectory(data_);
        const QImage shown = box_->viewport()->grab().toImage();
        const QRect row = box_->visualRect(box_->model()->index(0, 0));
        const QColor base = box_->palette().color(QPalette::Base);
        QVERIFY(shown.pixelColor(row.left() + 2 + 8, row.center().y()) != base);
    }

    void rowHeightAndDirLabelFollowTheFontAndWidth() {
        QFont font = box_->font();
        font.setPixelSize(4);
        box_->setFont(font);
        QTRY_VERIFY(box_->visualRect(box_->model()->index(0, 0)).height() >= 17);
        font.setPixelSize(40);
        box_->setFont(font);
        QTRY_VERIFY(box_->visualRect(box_->model()->index(0, 0)).height() >=
                    QFontMetrics(font).height());

        auto label = std::make_unique<QLabel>();
        box_->resize(4000, 400);
        box_->SetDirLabel(label.get());
        box_->SetDirectory(data_ + "/写真/2024");
        QCOMPARE(label->text(), Q(data_ + "/写真/2024"));
        box_->resize(1, 400);
        QTRY_COMPARE(label->text(), QString("2024"));
        label.reset();
        QCOMPARE(box_->DirLabel(), nullptr);
        box_->Update();  // a destroyed label is forgotten, never touched
    }
};

NEBU_GUI_TEST_MAIN(TDirListBoxTest)
#include "TDirListBoxTest.moc"
