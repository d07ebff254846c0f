// The four built-in pickers: a double-click on a path field puts a drive
// list, a folder list and (for files) a file list in its place; choosing the
// file or confirming the folder writes the path and gives the window back its
// normal look. Every step shows, hides, enables or disables the named
// controls in the order the pickers have always used.
//
// Paths are written with one "/" between folder and name, also in the root
// folder, and folders end with "/": the run uses them as prefixes.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "model/data_file.h"
#include "settings/settings.h"
#include "window/form1.h"
#include "window/picker_lists.h"

namespace corvella::window {

namespace {

constexpr int kDestinationListHeight = 1000;  // twips, while the picker is open

QString folder_with_slash(const QString& folder) {
  return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

void set_visible(std::initializer_list<QWidget*> widgets, bool visible) {
  for (QWidget* widget : widgets) widget->setVisible(visible);
}

}  // namespace

// --- opening ---------------------------------------------------------------

void Form1::source_DblClick() {
  Label7->hide();
  Label5->hide();
  Label4->show();
  set_visible({destination, fichiermodele}, false);
  set_visible({ficdir, ficsource}, true);
  source->hide();
  set_visible({Label12, Option1, Option2, nomdufichierhtm[0], nomdufichierhtm[1],
               nomdufichierhtm[2], nomdufichierhtm[3], exemplenom},
              false);
  Drive1->show();
}

void Form1::fichiermodele_DblClick() {
  set_visible({ficmodele, Dirmodele}, true);
  set_visible({Label7, Label4}, true);
  Label5->hide();
  source->show();
  source->setEnabled(false);
  set_visible({destination, fichiermodele}, false);
  set_visible({Label12, Option1, Option2}, false);
  Drive2->show();
}

void Form1::destination_DblClick() {
  set_visible({Label7, Label5, Label4}, true);
  source->show();
  set_visible({destination, fichiermodele}, false);
  set_visible({Label12, Option1, Option2}, false);
  dirdestination->resize(dirdestination->width(), tw_.px(kDestinationListHeight));
  dirdestination->show();
  validedestination->show();
  // Enabled by the first change of folder.
  validedestination->setEnabled(false);
  fichiermodele->show();
  fichiermodele->setEnabled(true);
  set_visible({ficmodele, Dirmodele}, false);
  source->setEnabled(false);
  fichiermodele->setEnabled(false);
  Drive3->show();
}

void Form1::hyperdir_DblClick() {
  Dirlist->show();
  Dirlist->set_folder(QString::fromStdString(seams_.locations.root_folder.string()));
  Command3->setEnabled(true);
  set_visible({Label6, Label9, sourcelien, Textelien, Label10, Tag99, Text1, Text2}, false);
  Drive4->show();
  hyperdir->hide();
}

// --- following -------------------------------------------------------------
// A drive that cannot be read leaves its folder list as it was.

void Form1::Drive1_Change() {
  ficdir->set_folder(Drive1->current_folder());
}
void Form1::Drive2_Change() {
  Dirmodele->set_folder(Drive2->current_folder());
}
void Form1::Drive3_Change() {
  dirdestination->set_folder(Drive3->current_folder());
}
void Form1::Drive4_Change() {
  Dirlist->set_folder(Drive4->current_folder());
}

void Form1::ficdir_Change() {
  ficsource->set_folder(ficdir->folder());
}
void Form1::Dirmodele_Change() {
  ficmodele->set_folder(Dirmodele->folder());
}
void Form1::dirdestination_Change() {
  validedestination->setEnabled(true);
}

// --- choosing and confirming -----------------------------------------------

void Form1::ficsource_DblClick() {
  set_visible(
      {Label7, Label5, Label4, source, destination, fichiermodele, Label12, Option1, Option2},
      true);
  // Opening hid the name tags and the example; with names composed from tags
  // they come back with the rest.
  if (Option2->isChecked()) show_name_tags(true);
  Dirmodele->set_folder(QString::fromStdString(seams_.locations.root_folder.string()));
  ficmodele->set_pattern(QStringLiteral("*.htm"));
  set_field_text(source, join_folder(ficdir->folder(), ficsource->selected_name()));
  set_visible({ficdir, ficsource, Drive1}, false);
  source->setEnabled(true);
}

void Form1::ficmodele_DblClick() {
  set_visible({Label7, Label5, Label4, source, destination, Label12, Option1, Option2}, true);
  dirdestination->resize(dirdestination->width(), tw_.px(kDestinationListHeight));
  dirdestination->hide();
  validedestination->hide();
  validedestination->setEnabled(false);
  fichiermodele->show();
  fichiermodele->setEnabled(true);
  set_visible({ficmodele, Dirmodele}, false);
  set_field_text(fichiermodele, join_folder(ficmodele->folder(), ficmodele->selected_name()));
  Drive2->hide();
  source->setEnabled(true);
}

void Form1::validedestination_Click() {
  set_visible({destination, Label12, Option1, Option2}, true);
  source->setEnabled(true);
  fichiermodele->setEnabled(true);
  set_visible({Drive3, validedestination}, false);
  destination->setEnabled(true);
  set_field_text(destination, folder_with_slash(dirdestination->folder()));
  dirdestination->hide();
  if (generation_paths_may_be_saved()) {
    Command1->setEnabled(true);
    save("Source", source->text());
    save("Destination", destination->text());
    save("Modele", fichiermodele->text());
  }
}

void Form1::Command3_Click() {
  Dirlist->hide();
  set_field_text(hyperdir, folder_with_slash(Dirlist->folder()));
  if (may_save_lien_on_confirm(hyperdir->text().toStdString(),
                               sourcelien->currentText().toStdString())) {
    Command1->setEnabled(true);
    save("Lien", hyperdir->text());
  }
  set_visible({Label6, Label9, sourcelien, Textelien, Label10, Tag99, Text1, Text2, hyperdir},
              true);
  Drive4->hide();
}

// --- the path fields -------------------------------------------------------

bool Form1::generation_paths_may_be_saved() const {
  return may_save_generation_paths(Check1->isChecked(), source->text().toStdString(),
                                   destination->text().toStdString(),
                                   fichiermodele->text().toStdString());
}

void Form1::source_Change() {
  if (generation_paths_may_be_saved()) save("Source", source->text());
  // The example name follows the chosen data file, remembered or not.
  p_exemple(path_of(source->text()), run_.fields());
  show_tag_hints();
}

void Form1::fichiermodele_Change() {
  if (generation_paths_may_be_saved()) save("Modele", fichiermodele->text());
}

void Form1::destination_Change() {
  if (generation_paths_may_be_saved()) save("Destination", destination->text());
}

void Form1::hyperdir_Change() {
  if (may_save_lien_on_change(Check1->isChecked(), hyperdir->text().toStdString())) {
    save("Lien", hyperdir->text());
  }
}

}  // namespace corvella::window
