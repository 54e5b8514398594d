// The tree's rows without a window: a fixed list of volumes over a real
// temporary tree with Japanese folder names and a hidden folder.

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// One letter per row: My computer, Floppy, Hard, Network, Disc, Ram,
// closed, open and Current folder.
QString Pictures(const DirTreeRows& tree) {
    QString letters;
    for (const DirTreeRow& row : tree.Rows()) letters += QChar("MFHNDRcoC"[int(row.Picture)]);
    return letters;
}

QStringList Texts(const DirTreeRows& tree, bool paths = false) {
    QStringList texts;
    for (int i = 0; i < int(tree.Rows().size()); ++i)
        texts << Q(paths ? tree.GetItemPath(i) : tree.Rows()[std::size_t(i)].Text);
    return texts;
}

QList<int> Offsets(const DirTreeRows& tree) {
    QList<int> offsets;
    for (const DirTreeRow& row : tree.Rows()) offsets << row.PictureX;
    return offsets;
}

int Kind(const std::string& mountPoint, const std::string& type, const std::string& source) {
    const auto kind = ListedVolumeKind(mountPoint, type, source);
    return kind ? int(*kind) : -1;
}

}  // namespace

class DirTreeRowsTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    std::string vol_;  // a RAM volume's mount point inside the temporary folder
    DirTreeRows tree_;

  private slots:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        const QString root = QDir(tmp_.path()).canonicalPath() + "/vol";
        for (const char* sub : {"データ/写真/2024", "データ/書類", "データ/abc", "データ/Abc",
                                "データ/ABD", "データ/.隠し"})
            QVERIFY(QDir().mkpath(root + "/" + QString::fromUtf8(sub)));
        QFile file(root + "/データ/ファイル.txt");  // a file is never a row
        QVERIFY(file.open(QIODevice::WriteOnly));
        vol_ = root.toStdString();
        // Given out of order: the rows come in mount-point order.
        tree_.SetVolumes({{"/mnt/nfs/", "", "server:/export", VolumeKind::Network},
                          {"/", "システム", "/dev/sda1", VolumeKind::Fixed},
                          {"/media/usb", "USB", "/dev/sdb1", VolumeKind::Removable},
                          {"/media/cd", "", "/dev/sr0", VolumeKind::Optical}});
    }

    void computerLevelListsEveryVolume() {
        tree_.Build("", 63);
        QCOMPARE(Texts(tree_), QStringList({"ﾏｲ ｺﾝﾋﾟｭｰﾀ", "/[システム]", "/media/cd[]",
                                            "/media/usb[USB]", "/mnt/nfs[server:/export]"}));
        QCOMPARE(Pictures(tree_), QString("MHDFN"));
        QCOMPARE(Texts(tree_, true), QStringList({"", "/", "/media/cd", "/media/usb", "/mnt/nfs"}));
        QCOMPARE(Offsets(tree_), QList<int>({2, 6, 6, 6, 6}));
        QCOMPARE(tree_.SelectedRow(), 0);
        QCOMPARE(Q(tree_.GetItemPath(5)), QString());
    }

    void pathRowsFromTheVolumeDown() {
        auto volumes = tree_.Volumes();
        volumes.push_back({vol_, "", "tmpfs", VolumeKind::Ram});
        DirTreeRows tree;
        tree.SetVolumes(volumes);
        const std::string data = vol_ + "/データ";
        tree.Build(data, 49);
        // ASCII letters sort without case; names that differ only in case both stay.
        QCOMPARE(Texts(tree), QStringList({"ﾏｲ ｺﾝﾋﾟｭｰﾀ", Q(vol_ + "[]"), "データ", "Abc", "abc",
                                           "ABD", "写真", "書類"}));
        QCOMPARE(Pictures(tree), QString("MRCccccc"));
        QCOMPARE(Offsets(tree), QList<int>({2, 6, 10, 14, 14, 14, 14, 14}));
        QCOMPARE(tree.SelectedRow(), 2);

        tree.Build(data + "/写真/2024", 51);
        QCOMPARE(Pictures(tree), QString("MRooC"));
        QCOMPARE(Texts(tree, true),
                 QStringList({"", Q(vol_), Q(data), Q(data + "/写真"), Q(data + "/写真/2024")}));
        QCOMPARE(tree.SelectedRow(), 4);

        // The volume's root is its own row; its folders stand where a first folder's would.
        tree.Build(vol_, 51);
        QCOMPARE(Texts(tree), QStringList({"ﾏｲ ｺﾝﾋﾟｭｰﾀ", Q(vol_ + "[]"), "データ"}));
        QCOMPARE(Offsets(tree), QList<int>({2, 6, 14}));
        QCOMPARE(tree.SelectedRow(), 1);

        tree.Build(data, 0x23);  // no directory bit: no sub-directory
        QCOMPARE(tree.Rows().size(), std::size_t{3});

        // Outside the RAM volume the root holds every folder on the way.
        const std::string parent = vol_.substr(0, vol_.rfind('/'));
        tree_.Build(parent, 49);
        QCOMPARE(tree_.SelectedRow(), DirLevel(parent) + 1);
        QCOMPARE(Q(tree_.GetItemPath(2)), Q(parent.substr(0, parent.find('/', 1))));
        QCOMPARE(Q(tree_.Rows().back().Path), Q(vol_));
    }

    void helpers() {
        QCOMPARE(Q(DrivePart("/media/usb/a", tree_.Volumes())), QString("/media/usb"));
        QCOMPARE(Q(DrivePart("/media/usb2/a", tree_.Volumes())), QString("/"));
        QCOMPARE(Q(DrivePart("/srv", {{"/media", "", "", VolumeKind::Removable}})), QString("/"));
        QCOMPARE(Q(VolumeRowText({"/mnt/smb", "NAS", "", VolumeKind::Network})),
                 QString("/mnt/smb[NAS]"));  // no remote source known: the label
        QCOMPARE(QList<int>({DirLevel("/"), DirLevel("/a"), DirLevel("/a/写真")}),
                 QList<int>({1, 1, 2}));
        QCOMPARE(Q(SlashSep("/", "a") + "|" + SlashSep("/a", "写真")), QString("/a|/a/写真"));

        const auto bytes = [](const std::string& text) { return int(text.size()); };
        const std::string path = "/home/user/データ/写真";  // 27 bytes
        QStringList shortened;
        for (int width : {1000, 26, 22, 14, 10, 0}) shortened << Q(ShortenPath(path, bytes, width));
        QCOMPARE(shortened, QStringList({Q(path), "/.../user/データ/写真", "/.../データ/写真",
                                         "/.../写真", ".../写真", "写真"}));
        QCOMPARE(Q(ShortenPath("/", bytes, 0)), QString("/"));
        QCOMPARE(Q(ShortenPath("/.cache/abc/x", bytes, 12)), QString("/.../abc/x"));
    }

    void machineMountsAreSorted() {
        const int fixed = int(VolumeKind::Fixed), removable = int(VolumeKind::Removable);
        const int network = int(VolumeKind::Network), ram = int(VolumeKind::Ram);
        QCOMPARE(QList<int>({Kind("/", "overlay", "overlay"), Kind("/home", "ext4", "/dev/sda3"),
                             Kind("/media/me/USB", "vfat", "/dev/sdb1"),
                             Kind("/run/media/me/X", "exfat", "/dev/sdc1"),
                             Kind("/srv/nfs", "nfs4", "server:/export"),
                             Kind("/mnt/share", "cifs", "//server/share"),
                             Kind("/media/cd", "iso9660", "/dev/sr0"),
                             Kind("/tmp", "tmpfs", "tmpfs"), Kind("/mnt/ram", "tmpfs", "tmpfs")}),
                 QList<int>({fixed, fixed, removable, removable, network, network,
                             int(VolumeKind::Optical), ram, ram}));
        for (const auto& [mount, type, source] : {std::tuple{"/run/user/1000", "tmpfs", "tmpfs"},
                                                  {"/proc", "proc", "proc"},
                                                  {"/sys/fs/cgroup", "cgroup2", "cgroup2"},
                                                  {"/snap/core/1", "squashfs", "/dev/loop0"},
                                                  {"/var/lib/docker/x", "overlay", "overlay"}})
            QCOMPARE(Kind(mount, type, source), -1);

        const std::vector<Volume> machine = MachineVolumes();
        QVERIFY(!machine.empty());
        QCOMPARE(Q(machine.front().MountPoint), QString("/"));
        for (std::size_t i = 1; i < machine.size(); ++i)
            QVERIFY(machine[i - 1].MountPoint < machine[i].MountPoint);

        // Every folder mount of the kernel's table that a user would pick is
        // offered (Qt's own list leaves some out, /dev/shm among them).
        QFile table("/proc/self/mounts");
        if (!table.open(QIODevice::ReadOnly)) return;
        for (const QByteArray& line : table.readAll().split('\n')) {
            const QList<QByteArray> f = line.split(' ');  // source, mount point, type
            if (f.size() < 3 || line.contains('\\') || !QFileInfo(f[1]).isDir()) continue;
            if (!ListedVolumeKind(f[1].toStdString(), f[2].toStdString(), f[0].toStdString()))
                continue;
            QVERIFY2(
                std::any_of(machine.begin(), machine.end(),
                            [&](const Volume& v) { return v.MountPoint == f[1].toStdString(); }),
                f[1].constData());
        }
    }
};

NEBU_GUI_TEST_MAIN(DirTreeRowsTest)
#include "DirTreeRowsTest.moc"
