// Drops reach the group box the way the desktop delivers them: drag events
// sent to the top-level window at a point over a child of the box, carrying
// the file manager's text/uri-list.

#include <QListView>
#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <memory>

#include "controls/TGroupBoxF.h"
#include "gui/support/GuiTest.h"

using namespace nebu;

namespace {

QByteArray UriList(const QStringList& entries) {
    QByteArray list;
    for (const QString& entry : entries) list += entry.toUtf8() + "\r\n";
    return list;
}

QString FileUrl(const std::string& path) {
    return QString::fromLatin1(QUrl::fromLocalFile(QString::fromStdString(path)).toEncoded());
}

// Enter, move and drop at `over`'s centre; returns whether the drop was taken.
bool DropOn(QWidget* over, const QByteArray& uriList) {
    QWindow* window = over->window()->windowHandle();
    const QPointF at = window->mapFromGlobal(over->mapToGlobal(over->rect().center()));
    QMimeData mime;
    mime.setData("text/uri-list", uriList);
    const auto actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at.toPoint(), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) return false;
    QDragMoveEvent move(at.toPoint(), actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &move);
    QDropEvent drop(at, actions, &mime, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

}  // namespace

class TGroupBoxFTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QWidget> window_;
    TGroupBoxF* box_ = nullptr;
    QListView* child_ = nullptr;

  private slots:
    void init() {
        window_ = std::make_unique<QWidget>();
        auto* outer = new QVBoxLayout(window_.get());
        box_ = new TGroupBoxF(window_.get());
        box_->setTitle("比較元");
        outer->addWidget(box_);
        child_ = new QListView(box_);
        (new QVBoxLayout(box_))->addWidget(child_);
        window_->resize(300, 300);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void cleanup() { window_.reset(); }

    void dropsArriveWholeInOrderOncePerDrop() {
        QSignalSpy drops(box_, &TGroupBoxF::OnDropFiles);
        QVERIFY(!DropOn(child_, UriList({FileUrl("/tmp/a")})));  // acceptance starts off
        QCOMPARE(drops.count(), 0);

        box_->SetDragAccept(true);
        box_->SetDragAccept(true);
        QVERIFY(box_->DropList().empty());
        const std::string longName = "/tmp/" + std::string(150, 'x') + "/" + std::string(150, 'y');
        const std::vector<std::string> first{"/tmp/写真 1/夏.jpg", longName, "/tmp/b#c%d.txt"};
        QVERIFY(DropOn(child_, UriList({FileUrl(first[0]), FileUrl(first[1]), FileUrl(first[2])})));
        QCOMPARE(drops.count(), 1);
        QCOMPARE(box_->DropList(), first);
        QCOMPARE(drops.at(0).at(0).value<std::vector<std::string>>(), first);

        // The next drop shows only its own names; web links name no local file.
        QVERIFY(DropOn(
            box_, UriList({"# a comment line", "https://example.org/x", FileUrl("/tmp/二番目")})));
        QCOMPARE(drops.count(), 2);
        QCOMPARE(box_->DropList(), std::vector<std::string>{"/tmp/二番目"});
        QVERIFY(!DropOn(child_, UriList({"https://example.org/only"})));
        QCOMPARE(drops.count(), 2);
    }

    void disabledOrSwitchedOffTakesNothing() {
        QSignalSpy drops(box_, &TGroupBoxF::OnDropFiles);
        box_->SetDragAccept(true);
        QVERIFY(DropOn(child_, UriList({FileUrl("/tmp/x")})));
        box_->setEnabled(false);  // its window is busy with a job
        QVERIFY(!DropOn(child_, UriList({FileUrl("/tmp/y")})));
        box_->setEnabled(true);
        box_->SetDragAccept(false);
        QVERIFY(box_->DropList().empty());
        QVERIFY(!DropOn(child_, UriList({FileUrl("/tmp/z")})));
        QCOMPARE(drops.count(), 1);
    }
};

NEBU_GUI_TEST_MAIN(TGroupBoxFTest)
#include "TGroupBoxFTest.moc"
