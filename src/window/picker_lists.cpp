#include "window/picker_lists.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>

namespace corvella::window {

namespace {

QString clean_folder(const QString& folder) {
  return QDir::cleanPath(QDir(folder).absolutePath());
}

// Whether `folder` is `root` or lies below it.
bool lies_within(const QString& folder, const QString& root) {
  if (root == QLatin1String("/")) return folder.startsWith(QLatin1Char('/'));
  return folder == root || folder.startsWith(root + QLatin1Char('/'));
}

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;

// Draws a folder entry indented by its depth, two spaces a level; the
// entry's text stays the folder's name for the keyboard search.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->rect.setLeft(option->rect.left() + indent(*option, index));
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(option, index), 0);
  }

 private:
  static int indent(const QStyleOptionViewItem& option, const QModelIndex& index) {
    return index.data(kDepthRole).toInt() * 2 *
           option.fontMetrics.horizontalAdvance(QLatin1Char(' '));
  }
};

}  // namespace

QString join_folder(const QString& folder, const QString& name) {
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// ---------------------------------------------------------------------------

DriveList::DriveList(const QString& root_folder, QWidget* parent) : QComboBox(parent) {
  QStringList roots{clean_folder(root_folder)};
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady()) continue;
    const QString root = clean_folder(volume.rootPath());
    // Files mounted over files (as containers do) are no drives.
    if (!roots.contains(root) && QFileInfo(root).isDir()) roots.append(root);
  }
  std::sort(roots.begin() + 1, roots.end());
  for (const QString& root : roots) addItem(root, root);
  setCurrentIndex(0);
  connect(this, &QComboBox::currentIndexChanged, this, &DriveList::drive_changed);
}

QString DriveList::drive() const {
  return currentData(kPathRole).toString();
}

QString DriveList::current_folder() const {
  const QString current = clean_folder(QDir::currentPath());
  const QString mine = drive();
  if (!lies_within(current, mine)) return mine;
  // Another listed drive nearer to the current folder owns it.
  for (int index = 0; index < count(); ++index) {
    const QString other = itemData(index, kPathRole).toString();
    if (other.size() > mine.size() && lies_within(other, mine) && lies_within(current, other)) {
      return mine;
    }
  }
  return current;
}

// ---------------------------------------------------------------------------

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setItemDelegate(new IndentDelegate(this));
  connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::enter);
}

bool FolderList::set_folder(const QString& folder) {
  const QString target = clean_folder(folder);
  if (target == folder_) return true;
  QDir dir(target);
  if (!dir.exists() || !dir.isReadable()) return false;
  const QFileInfoList children =
      dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);

  clear();
  const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirIcon);
  QStringList chain;  // "/" then each folder down to the target
  for (QString up = target;; up = QFileInfo(up).path()) {
    chain.prepend(up);
    if (up == QLatin1String("/") || QFileInfo(up).path() == up) break;
  }
  int depth = 0;
  for (const QString& path : chain) {
    const QString name = path == QLatin1String("/") ? path : QFileInfo(path).fileName();
    auto* item = new QListWidgetItem(open_icon, name, this);
    item->setData(kPathRole, path);
    item->setData(kDepthRole, depth++);
  }
  const int current_row = count() - 1;
  for (const QFileInfo& child : children) {
    auto* item = new QListWidgetItem(closed_icon, child.fileName(), this);
    item->setData(kPathRole, clean_folder(child.absoluteFilePath()));
    item->setData(kDepthRole, depth);
  }
  setCurrentRow(current_row);
  folder_ = target;
  emit folder_changed();
  return true;
}

void FolderList::enter(QListWidgetItem* item) {
  if (item) set_folder(item->data(kPathRole).toString());
}

void FolderList::enter_parent() {
  const QString parent = QFileInfo(folder_).path();
  if (parent != folder_) set_folder(parent);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    enter(currentItem());
    return;
  }
  if (event->key() == Qt::Key_Backspace) return enter_parent();
  QListWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------

FileList::FileList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QListWidget::itemDoubleClicked, this, &FileList::file_double_clicked);
}

void FileList::set_folder(const QString& folder) {
  refresh(clean_folder(folder));
}

void FileList::set_pattern(const QString& pattern) {
  pattern_ = pattern;
  if (!folder_.isEmpty()) refresh(folder_);
}

QString FileList::selected_name() const {
  const QListWidgetItem* item = currentItem();
  return item ? item->text() : QString();
}

void FileList::refresh(const QString& folder) {
  QDir dir(folder);
  if (!dir.exists() || !dir.isReadable()) return;
  QList<QRegularExpression> patterns;
  for (const QString& part : pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    patterns.append(
        QRegularExpression(QRegularExpression::wildcardToRegularExpression(part.trimmed()),
                           QRegularExpression::CaseInsensitiveOption));
  }
  clear();
  for (const QString& name : dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase)) {
    for (const QRegularExpression& pattern : patterns) {
      if (pattern.match(name).hasMatch()) {
        addItem(name);
        break;
      }
    }
  }
  folder_ = folder;
}

void FileList::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
    emit file_double_clicked();
    return;
  }
  if (event->key() == Qt::Key_Backspace) {
    emit parent_requested();
    return;
  }
  QListWidget::keyPressEvent(event);
}

}  // namespace corvella::window
