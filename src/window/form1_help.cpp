// The help display, the enabling rules of the two pass boxes, the link
// settings remembered while the link pass is ticked, and Command2.
//
// A help text stays on show until help_duration after the LATEST help
// display began: a single-shot timer, restarted by each display, on a
// monotonic clock and without blocking the window.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "settings/settings.h"
#include "window/form1.h"

namespace corvella::window {

namespace {

constexpr const char* kHelpSource =
    "Double-cliquez dans le champ pour choisir le fichier contenant les données. Ce fichier doit "
    "être au format ASCII et chaque colonne doit être séparée par un point-virgule.\n"
    "Exemple : Ivo Brasset;5489;disponible;140F;reggae";
constexpr const char* kHelpModele =
    "Double-cliquez dans le champ pour choisir le fichier HTML modèle.\n"
    "Celui-ci doit au préalable contenir des 'tags' qui correspondront aux colonnes du fichier "
    "de données.\n"
    "Exemple: <!--tag2--> (ligne vide) <!--/tag2-->";
constexpr const char* kHelpDestination =
    "Double-cliquez dans le champ pour choisir le répertoire où seront crées les pages HTML.";
constexpr const char* kHelpHyperdir =
    "Double-cliquez dans le champ pour choisir le répertoire où se trouvent les pages HTML à "
    "traiter.";
constexpr const char* kHelpSourcelien =
    "Choisissez le tag à rechercher dans toutes les pages HTML.\n"
    "Le tag sélectionné sera cherché dans toutes les pages et toute page ayant le même contenu "
    "sera liée.";
constexpr const char* kHelpTextelien =
    "Choisissez le tag dont le contenu sera placé sur chaque lien.\n"
    "Le contenu du tag sera lu dans chaque fichier lié et placé comme texte visible de lien.";

QString tag99_help() {
  const QString address = QString::fromUtf8(kWebAddress);
  return QStringLiteral(
             "Choisissez le texte à placer avant le lien hypertexte.\nExemple : si vous "
             "écrivez ") +
         address + QStringLiteral(", le lien complet sera :\n<a href=\"") + address +
         QStringLiteral("tag de lien\">tag de texte</a><br>");
}

}  // namespace

QStringList Form1::help_texts() {
  QStringList texts;
  for (const char* text : {kHelpSource, kHelpModele, kHelpDestination, kHelpHyperdir,
                           kHelpSourcelien, kHelpTextelien}) {
    texts << QString::fromUtf8(text);
  }
  return texts << tag99_help();
}

void Form1::show_help(const QString& text) {
  Aide->setText(text);
  idee->show();
  Aide->show();
  help_timer_.start();
}

void Form1::hide_help() {
  help_timer_.stop();
  Aide->clear();
  idee->hide();
  Aide->hide();
}

void Form1::source_MouseDown() {
  show_help(QString::fromUtf8(kHelpSource));
}
void Form1::fichiermodele_MouseDown() {
  show_help(QString::fromUtf8(kHelpModele));
}
void Form1::destination_MouseDown() {
  show_help(QString::fromUtf8(kHelpDestination));
}
void Form1::hyperdir_MouseDown() {
  show_help(QString::fromUtf8(kHelpHyperdir));
}
void Form1::sourcelien_GotFocus() {
  show_help(QString::fromUtf8(kHelpSourcelien));
}
void Form1::Textelien_GotFocus() {
  show_help(QString::fromUtf8(kHelpTextelien));
}
void Form1::Tag99_GotFocus() {
  show_help(tag99_help());
}

// A case the rules do not name leaves Command1 as it was.
void Form1::Check1_Click() {
  if (Check1->isChecked()) {
    Frame2->setEnabled(true);
    if (!source->text().isEmpty() && !fichiermodele->text().isEmpty() &&
        !destination->text().isEmpty()) {
      Command1->setEnabled(true);
    }
    if (Check2->isChecked() && (hyperdir->text().isEmpty() || sourcelien->currentText().isEmpty() ||
                                Textelien->currentText().isEmpty())) {
      Command1->setEnabled(false);
    }
  } else {
    Frame2->setEnabled(false);
    if (!Check2->isChecked()) Command1->setEnabled(false);
  }
}

void Form1::Check2_Click() {
  if (Check2->isChecked()) {
    Frame4->setEnabled(true);
    if (!hyperdir->text().isEmpty() && !sourcelien->currentText().isEmpty() &&
        !Textelien->currentText().isEmpty()) {
      Command1->setEnabled(true);
    }
  } else {
    Frame4->setEnabled(false);
    if (!Check1->isChecked()) Command1->setEnabled(false);
  }
}

void Form1::Command2_Click() {
  // Settled as a run would, so the next start shows consistent choices.
  if (nomdufichierhtm[4]->currentText().isEmpty()) select_titrep1();
  if (nomdufichierhtm[0]->currentText().isEmpty()) select_option1();
  close();
}

void Form1::sourcelien_Click() {
  const QString text = sourcelien->currentText();
  if (may_save_link_setting(Check2->isChecked(), text.toStdString())) save("textesource", text);
}

void Form1::Textelien_Click() {
  const QString text = Textelien->currentText();
  if (may_save_link_setting(Check2->isChecked(), text.toStdString())) save("Textelien", text);
}

void Form1::Tag99_Change() {
  const QString text = Tag99->text();
  if (may_save_link_setting(Check2->isChecked(), text.toStdString())) save("Tag99", text);
}

}  // namespace corvella::window
