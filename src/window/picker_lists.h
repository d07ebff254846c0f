#pragma once

// The lists of the built-in pickers: a drive list, a folder list and a file
// list, each a small widget of its own with the events the pickers need.
//
// On this platform a "drive" is a mounted volume, named by its root folder;
// the root folder of the program (Locations::root_folder) always comes first.
// Folder texts here have no trailing "/" except the root "/" itself.

#include <QComboBox>
#include <QListWidget>
#include <QString>

namespace corvella::window {

// Mounted volumes. drive_changed() follows every change of the current entry,
// by the user or by the program.
class DriveList : public QComboBox {
  Q_OBJECT
 public:
  DriveList(const QString& root_folder, QWidget* parent);

  QString drive() const;
  // The folder a folder list moves to when this drive is picked: the
  // process's current folder when it lies on this drive, else the drive's root.
  QString current_folder() const;

 signals:
  void drive_changed();
};

// A folder, its parents above it and its sub-folders below it, each entry
// indented by its depth and named by the folder's name alone, so typing
// letters selects the next entry that starts with them. A double-click (or
// Enter) on an entry enters that folder; Backspace enters the parent folder.
// folder_changed() follows every change of the folder, by the user or by the
// program; setting the folder it already shows changes nothing.
class FolderList : public QListWidget {
  Q_OBJECT
 public:
  explicit FolderList(QWidget* parent);

  // False, with the list left as it was, when the folder cannot be listed
  // (missing, not readable, a volume gone).
  bool set_folder(const QString& folder);
  const QString& folder() const { return folder_; }
  // Enters the parent folder; nothing in the root folder.
  void enter_parent();

 signals:
  void folder_changed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void enter(QListWidgetItem* item);

  QString folder_;
};

// The ordinary (not hidden) files of a folder whose names match a pattern
// such as "*.htm" ("*.htm;*.txt" for several), without regard to case,
// sorted by name. file_double_clicked() follows a double-click (or Enter) on
// a file; parent_requested() follows Backspace, for the picker's folder list.
class FileList : public QListWidget {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent);

  // A folder that cannot be listed leaves the list as it was.
  void set_folder(const QString& folder);
  void set_pattern(const QString& pattern);
  const QString& folder() const { return folder_; }
  const QString& pattern() const { return pattern_; }
  // The highlighted file name, or an empty text.
  QString selected_name() const;

 signals:
  void file_double_clicked();
  void parent_requested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void refresh(const QString& folder);

  QString folder_;
  QString pattern_ = QStringLiteral("*");
};

// A chosen file in a folder of a list: one "/" between them, also in the
// root folder.
QString join_folder(const QString& folder, const QString& name);

}  // namespace corvella::window
