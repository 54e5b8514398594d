// The tree's rows without a window: a fixed list of volumes over a real
// temporary tree with Japanese folder names and a hidden folder.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "controls/DirTreeRows.h"
#include "gui/support/GuiTest.h"

using namespace nebu;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

int Kind(std::optional<VolumeKind> kind) {
    return kind ? static_cast<int>(*kind) : -1;
}

int Kind(const std::string& mountPoint, const std::string& type, const std::string& source) {
    return Kind(ListedVolumeKind(mountPoint, type, source));
}

struct Expected {
    const char* text;
    RowPicture picture;
    std::string path;
    int x;
};

void CompareRows(const DirTreeRows& tree, const std::vector<Expected>& expected) {
    QCOMPARE(tree.Rows().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const DirTreeRow& row = tree.Rows()[i];
        QCOMPARE(Q(row.Text), QString::fromUtf8(expected[i].text));
        QCOMPARE(static_cast<int>(row.Picture), static_cast<int>(expected[i].picture));
        QCOMPARE(Q(tree.GetItemPath(static_cast<int>(i))), Q(expected[i].path));
        QCOMPARE(row.PictureX, expected[i].x);
    }
}

}  // namespace

class DirTreeRowsTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    std::string vol_;  // a RAM volume's mount point inside the temporary folder
    std::vector<Volume> volumes_;

  private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        const QString root = QDir(tmp_.path()).canonicalPath() + "/vol";
        for (const char* sub : {"データ/写真/2024", "データ/書類", "データ/abc", "データ/Abc",
                                "データ/ABD", "データ/.隠し", "other"})
            QVERIFY(QDir().mkpath(root + "/" + QString::fromUtf8(sub)));
        QFile file(root + "/データ/ファイル.txt");  // a file is never a row
        QVERIFY(file.open(QIODevice::WriteOnly));
        vol_ = root.toStdString();
        volumes_ = {{"/", "システム", "/dev/sda1", VolumeKind::Fixed},
                    {vol_, "", "tmpfs", VolumeKind::Ram},
                    {"/media/usb", "USB", "/dev/sdb1", VolumeKind::Removable},
                    {"/mnt/nfs", "", "server:/export", VolumeKind::Network}};
    }

    void computerLevelListsEveryVolume() {
        DirTreeRows tree;
        tree.SetVolumes(volumes_);
        tree.Build("", 63);
        const std::string ramText = vol_ + "[]";
        std::vector<Expected> expected = {
            {"ﾏｲ ｺﾝﾋﾟｭｰﾀ", RowPicture::MyComputer, "", 2},
            {"/[システム]", RowPicture::Hard, "/", 6},
            {ramText.c_str(), RowPicture::Ram, vol_, 6},
            {"/media/usb[USB]", RowPicture::Floppy, "/media/usb", 6},
            {"/mnt/nfs[server:/export]", RowPicture::Network, "/mnt/nfs", 6}};
        // Mount-point order, wherever the temporary folder lies.
        std::sort(expected.begin() + 1, expected.end(),
                  [](const Expected& a, const Expected& b) { return a.path < b.path; });
        CompareRows(tree, expected);
        QCOMPARE(tree.SelectedRow(), 0);
        QCOMPARE(Q(tree.GetItemPath(5)), QString());
        QCOMPARE(Q(tree.GetItemPath(-1)), QString());
    }

    void pathRowsFromTheVolumeDown() {
        DirTreeRows tree;
        tree.SetVolumes(volumes_);
        const std::string dir = vol_ + "/データ";
        tree.Build(dir, 49);
        // Sorted without case for ASCII; names that differ only in case both stay.
        CompareRows(tree, {{"ﾏｲ ｺﾝﾋﾟｭｰﾀ", RowPicture::MyComputer, "", 2},
                           {(vol_ + "[]").c_str(), RowPicture::Ram, vol_, 6},
                           {"データ", RowPicture::CurrentFolder, dir, 10},
                           {"Abc", RowPicture::ClosedFolder, dir + "/Abc", 14},
                           {"abc", RowPicture::ClosedFolder, dir + "/abc", 14},
                           {"ABD", RowPicture::ClosedFolder, dir + "/ABD", 14},
                           {"写真", RowPicture::ClosedFolder, dir + "/写真", 14},
                           {"書類", RowPicture::ClosedFolder, dir + "/書類", 14}});
        QCOMPARE(tree.SelectedRow(), 2);

        tree.Build(dir + "/写真/2024", 49);
        CompareRows(tree, {{"ﾏｲ ｺﾝﾋﾟｭｰﾀ", RowPicture::MyComputer, "", 2},
                           {(vol_ + "[]").c_str(), RowPicture::Ram, vol_, 6},
                           {"データ", RowPicture::OpenFolder, dir, 10},
                           {"写真", RowPicture::OpenFolder, dir + "/写真", 14},
                           {"2024", RowPicture::CurrentFolder, dir + "/写真/2024", 18}});
        QCOMPARE(tree.SelectedRow(), 4);
    }

    void volumeRootIsTheCurrentRow() {
        DirTreeRows tree;
        tree.SetVolumes(volumes_);
        tree.Build(vol_, 49);
        CompareRows(tree, {{"ﾏｲ ｺﾝﾋﾟｭｰﾀ", RowPicture::MyComputer, "", 2},
                           {(vol_ + "[]").c_str(), RowPicture::Ram, vol_, 6},
                           {"other", RowPicture::ClosedFolder, vol_ + "/other", 14},
                           {"データ", RowPicture::ClosedFolder, vol_ + "/データ", 14}});
        QCOMPARE(tree.SelectedRow(), 1);

        // Outside the RAM volume the root holds it, every folder on the way is a row.
        const std::string parent = vol_.substr(0, vol_.rfind('/'));
        tree.Build(parent, 49);
        QCOMPARE(Q(tree.Rows()[1].Text), QString("/[システム]"));
        QCOMPARE(tree.SelectedRow(), DirLevel(parent) + 1);
        QCOMPARE(Q(tree.GetItemPath(2)), Q(parent.substr(0, parent.find('/', 1))));
        QCOMPARE(Q(tree.Rows().back().Path), Q(vol_));
    }

    void hiddenFoldersFollowTheMask() {
        const std::string dir = vol_ + "/データ";
        const auto has = [](const std::vector<std::string>& names, const char* name) {
            return std::find(names.begin(), names.end(), name) != names.end();
        };
        QVERIFY(!has(ReadDirectoryNames(dir, 49), ".隠し"));
        QVERIFY(has(ReadDirectoryNames(dir, 51), ".隠し"));
        QVERIFY(has(ReadDirectoryNames(dir, 51), "写真"));
        QVERIFY(ReadDirectoryNames(dir, 0x23).empty());  // no directory bit: no directory
        QVERIFY(ReadDirectoryNames(vol_ + "/missing", 63).empty());
    }

    void drivePartIsTheLongestMountPoint() {
        QCOMPARE(Q(DrivePart("/media/usb/a", volumes_)), QString("/media/usb"));
        QCOMPARE(Q(DrivePart("/media/usb", volumes_)), QString("/media/usb"));
        QCOMPARE(Q(DrivePart("/media/usb2/a", volumes_)), QString("/"));
        QCOMPARE(Q(DrivePart("/srv", {{"/media/usb", "", "", VolumeKind::Removable}})),
                 QString("/"));
        QCOMPARE(Q(VolumeRowText({"/mnt/smb", "NAS", "", VolumeKind::Network})),
                 QString("/mnt/smb[NAS]"));  // no remote source known: the label
        QCOMPARE(DirLevel("/"), 1);
        QCOMPARE(DirLevel("/a"), 1);
        QCOMPARE(DirLevel("/a/b"), 2);
        QCOMPARE(Q(SlashSep("/", "a")), QString("/a"));
        QCOMPARE(Q(SlashSep("/a", "写真")), QString("/a/写真"));
    }

    void shortenPathGivesWayFromTheFront() {
        const auto bytes = [](const std::string& text) { return static_cast<int>(text.size()); };
        QCOMPARE(Q(ShortenPath("/a/b", bytes, 1000)), QString("/a/b"));
        QCOMPARE(Q(ShortenPath("/a/b", bytes, 0)), QString("b"));
        QCOMPARE(Q(ShortenPath("/", bytes, 0)), QString("/"));
        const std::string path = "/home/user/データ/写真";
        QCOMPARE(Q(ShortenPath(path, bytes, static_cast<int>(path.size()) - 1)),
                 QString("/.../user/データ/写真"));
        QCOMPARE(Q(ShortenPath(path, bytes, 22)), QString("/.../データ/写真"));
        QCOMPARE(Q(ShortenPath(path, bytes, 14)), QString("/.../写真"));
        QCOMPARE(Q(ShortenPath(path, bytes, 10)), QString(".../写真"));
        // A hidden folder is cut like any other, one at a time.
        QCOMPARE(Q(ShortenPath("/.cache/abc/x", bytes, 12)), QString("/.../abc/x"));
    }

    void machineMountsAreSorted() {
        QCOMPARE(Kind("/", "overlay", "overlay"), Kind(VolumeKind::Fixed));
        QCOMPARE(Kind("/home", "ext4", "/dev/sda3"), Kind(VolumeKind::Fixed));
        QCOMPARE(Kind("/media/me/USB", "vfat", "/dev/sdb1"), Kind(VolumeKind::Removable));
        QCOMPARE(Kind("/run/media/me/X", "exfat", "/dev/sdc1"), Kind(VolumeKind::Removable));
        QCOMPARE(Kind("/srv/nfs", "nfs4", "server:/export"), Kind(VolumeKind::Network));
        QCOMPARE(Kind("/mnt/share", "cifs", "//server/share"), Kind(VolumeKind::Network));
        QCOMPARE(Kind("/media/cdrom", "iso9660", "/dev/sr0"), Kind(VolumeKind::Optical));
        QCOMPARE(Kind("/tmp", "tmpfs", "tmpfs"), Kind(VolumeKind::Ram));
        QCOMPARE(Kind("/mnt/ram", "tmpfs", "tmpfs"), Kind(VolumeKind::Ram));
        QCOMPARE(Kind("/run/user/1000", "tmpfs", "tmpfs"), Kind(std::nullopt));
        QCOMPARE(Kind("/proc", "proc", "proc"), Kind(std::nullopt));
        QCOMPARE(Kind("/sys/fs/cgroup", "cgroup2", "cgroup2"), Kind(std::nullopt));
        QCOMPARE(Kind("/snap/core/1", "squashfs", "/dev/loop0"), Kind(std::nullopt));
        QCOMPARE(Kind("/var/lib/docker/x", "overlay", "overlay"), Kind(std::nullopt));

        const std::vector<Volume> machine = MachineVolumes();
        QVERIFY(!machine.empty());
        QCOMPARE(Q(machine.front().MountPoint), QString("/"));
        for (std::size_t i = 1; i < machine.size(); ++i)
            QVERIFY(machine[i - 1].MountPoint < machine[i].MountPoint);
    }
};

NEBU_GUI_TEST_MAIN(DirTreeRowsTest)
#include "DirTreeRowsTest.moc"
