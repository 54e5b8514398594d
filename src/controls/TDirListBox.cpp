#include "controls/TDirListBox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QResizeEvent>
#include <cstdlib>
#include <memory>

#include "controls/ContextMenuKey.h"
#include "controls/DirTreeDelegate.h"
#include "controls/DirTreeModel.h"
#include "platform/DirectorySearch.h"

// Resources of a static library must be registered by name from the global
// namespace before the first picture is loaded.
static void InitDirTreePictures() {
    Q_INIT_RESOURCE(DirTreePictures);
}

namespace nebu {

namespace {

constexpr int kInitialWidth = 145;
constexpr std::uint32_t kAttrVolumeLabel = 0x08;  // kept so 63 still means "everything"

bool DirExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The process's current directory, whole however long; "" when it is gone.
std::string CurrentDirectory() {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    return cwd ? std::string(cwd.get()) : std::string();
}

QString ToQString(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace

struct TDirListBox::Impl {
    DirTreeModel* model = nullptr;
    std::string directory;
    std::uint32_t searchAttr = platform::kAttrReadOnly | platform::kAttrHidden |
                               platform::kAttrSystem | kAttrVolumeLabel | platform::kAttrDirectory |
                               platform::kAttrArchive;  // 63: nothing is left out
    std::function<std::vector<Volume>()> volumeSource = MachineVolumes;
    QPointer<QLabel> dirLabel;
    bool showTopPending = false;  // a rebuild whose rows were not yet scrolled to the top
};

TDirListBox::TDirListBox(QWidget* parent) : QListView(parent), d_(new Impl) {
    InitDirTreePictures();
    d_->model = new DirTreeModel(this);
    setModel(d_->model);
    setItemDelegate(new DirTreeDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setDragEnabled(false);
    // What a screen reader calls the tree until its window names it.
    setAccessibleName(QStringLiteral("ﾃﾞｨﾚｸﾄﾘ"));
    resize(kInitialWidth, height());
    d_->directory = CurrentDirectory();
    BuildList();
}

TDirListBox::~TDirListBox() {
    delete d_;
}

const std::string& TDirListBox::Directory() const {
    return d_->directory;
}

void TDirListBox::SetDirectory(const std::string& directory) {
    // Linux names are case-sensitive: /data and /Data are two places.
    if (directory == d_->directory) return;
    SetDir(directory);
}

void TDirListBox::SetDir(const std::string& directory) {
    if (directory.empty()) {
        d_->directory.clear();
    } else {
        // A relative text means relative to the directory shown, so return there first.
        if (!DirExists(d_->directory) || ::chdir(d_->directory.c_str()) != 0) d_->directory.clear();
        if (DirExists(directory) && ::chdir(directory.c_str()) == 0) {
            const std::string entered = CurrentDirectory();
            d_->directory = entered.empty() ? directory : entered;
        }
    }
    BuildList();
    Change();
}

std::uint32_t TDirListBox::SearchAttr() const {
    return d_->searchAttr;
}

void TDirListBox::SetSearchAttr(std::uint32_t attr) {
    d_->searchAttr = attr;
    Update();
}

void TDirListBox::Update() {
    BuildList();
    Change();
}

void TDirListBox::OpenCurrent() {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return;
    SetDirectory(GetItemPath(selected.first().row()));
}

std::string TDirListBox::GetItemPath(int row) const {
    return d_->model->Tree().GetItemPath(row);
}

void TDirListBox::SetVolumeSource(std::function<std::vector<Volume>()> source) {
    d_->volumeSource = std::move(source);
    BuildList();
}

void TDirListBox::SetDirLabel(QLabel* label) {
    d_->dirLabel = label;
    RefreshDirLabel();
}

QLabel* TDirListBox::DirLabel() const {
    return d_->dirLabel.data();
}

void TDirListBox::BuildList() {
    // Volumes are read on every rebuild: media come and go while the tree is open.
    d_->model->Rebuild(d_->volumeSource ? d_->volumeSource() : std::vector<Volume>{}, d_->directory,
                       d_->searchAttr);
    const QModelIndex current = d_->model->index(d_->model->Tree().SelectedRow());
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
    d_->showTopPending = true;
    ShowTopAndCurrent();
    setAccessibleDescription(ToQString(d_->directory));
}

// The rows above the current one (the computer, the volume, the parents)
// are the way back, so a rebuilt tree starts at its top; a current row
// deeper than the view can show is then scrolled up to its bottom edge.
// Before the tree has its size (a dialog not yet shown) nothing can be
// measured, so the scroll waits for the first real size.
void TDirListBox::ShowTopAndCurrent() {
    if (!d_->showTopPending || !isVisible() || viewport()->height() <= 0) return;
    d_->showTopPending = false;
    doItemsLayout();
    scrollToTop();
    scrollTo(currentIndex(), QAbstractItemView::EnsureVisible);
}

void TDirListBox::Change() {
    RefreshDirLabel();
    emit OnChange();
}

void TDirListBox::RefreshDirLabel() {
    QLabel* label = d_->dirLabel.data();
    if (label == nullptr) return;
    const QFontMetrics metrics(label->font());
    const auto measure = [&metrics](const std::string& text) {
        return metrics.horizontalAdvance(ToQString(text));
    };
    // A label laid out beside the tree grows with its text, so the tree's width is the measure.
    label->setText(ToQString(ShortenPath(d_->directory, measure, width())));
}

void TDirListBox::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
    RefreshDirLabel();  // the width the label's text was shortened for has changed
    ShowTopAndCurrent();
}

bool TDirListBox::event(QEvent* event) {
    if (OpenMenuByKeyboard(this, event)) return true;
    return QListView::event(event);
}

void TDirListBox::showEvent(QShowEvent* event) {
    QListView::showEvent(event);
    ShowTopAndCurrent();
}

void TDirListBox::mousePressEvent(QMouseEvent* event) {
    // Only a left press on a row selects; other buttons leave the selection
    // for the pop-up menu and the release to act on.
    if (event->button() != Qt::LeftButton || !indexAt(event->position().toPoint()).isValid()) {
        if (event->button() == Qt::LeftButton) setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
    emit OnClick();
}

void TDirListBox::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) OpenCurrent();
}

void TDirListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    // The first release has rebuilt the rows; selecting the row now under
    // the mouse would open a folder the user never saw. Report the double
    // click only; its release reopens the current row, which does nothing.
    if (event->button() == Qt::LeftButton) emit OnDblClick();
    event->accept();
}

void TDirListBox::mouseMoveEvent(QMouseEvent* event) {
    const int before = currentIndex().row();
    QListView::mouseMoveEvent(event);
    if (currentIndex().row() != before && (event->buttons() & Qt::LeftButton)) emit OnClick();
}

void TDirListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OpenCurrent();
        event->accept();  // a dialog's default button must not take it too
        return;
    }
    const int before = currentIndex().row();
    QListView::keyPressEvent(event);
    if (currentIndex().row() != before) emit OnClick();
}

}  // namespace nebu
