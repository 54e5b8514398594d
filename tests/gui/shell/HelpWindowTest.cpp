// The help window shows the manual and nothing else: pictures and pages
// outside the manual's folder, or too big, are not read.

#include <QImage>
#include <QPixmap>
#include <QTextBrowser>
#include <filesystem>

#include "gui/support/GuiTest.h"
#include "shell/THelpWindow.h"
#include "support/TempTree.h"

using namespace nebu;

class HelpWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void onlyTheManualsOwnFilesAreShown() {
        const test::TempTree root;
        const std::string folder = root.MakeDir("手引き");
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(QString::fromStdString(folder + "/中.png")));
        QVERIFY(picture.save(QString::fromStdString(root / "外.png")));
        std::filesystem::create_symlink(root / "外.png", folder + "/link.png");
        std::filesystem::resize_file(root.Write("手引き/big.png", ""),
                                     ManualBrowser::kMaxResourceBytes + 1);
        root.Write("外.html", "<p>よそのページ</p>");
        root.Write("手引き/次.html", "<p>二ページ目</p>");
        const std::string outside =
            QUrl::fromLocalFile(QString::fromStdString(root / "外.png")).toString().toStdString();
        const std::string manual = root.Write(
            "手引き/nebu.html",
            "<p>目次</p><img src=\"中.png\"><img src=\"../外.png\"><img src=\"link.png\">"
            "<img src=\"big.png\"><img src=\"" +
                outside + "\"><p><a href=\"../外.html\">外へ</a> <a href=\"次.html\">次へ</a>");

        THelpWindow help(QString::fromStdString(manual));
        help.ShowContents();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        auto* browser = guitest::Find<QTextBrowser>(&help, "HelpBrowser");
        QTextDocument* doc = browser->document();
        // What the page's pictures became: a picture once read, else bytes.
        const auto loaded = [doc](const std::string& name) {
            const QVariant got =
                doc->resource(QTextDocument::ImageResource, QUrl(QString::fromStdString(name)));
            if (got.canConvert<QPixmap>()) return !got.value<QPixmap>().isNull();
            return !got.toByteArray().isEmpty();
        };
        QVERIFY(loaded("中.png"));
        for (const char* refused : {"../外.png", "link.png", "big.png", outside.c_str()})
            QVERIFY2(!loaded(refused), refused);

        // A link out of the folder leaves the page where it was; one inside
        // is followed.
        const auto click = [browser, doc](const QString& text) {
            QTextCursor link = doc->find(text);
            link.setPosition(link.selectionStart() + 1);
            QTest::mouseClick(browser->viewport(), Qt::LeftButton, {},
                              browser->cursorRect(link).center());
        };
        click("外へ");
        QVERIFY(browser->toPlainText().contains("目次"));
        click("次へ");
        QTRY_VERIFY(browser->toPlainText().contains("二ページ目"));
    }
};

NEBU_GUI_TEST_MAIN(HelpWindowTest)
#include "HelpWindowTest.moc"
