// The window on a desktop: captions whole under common fonts and DPIs, the
// tag hints, labels tied to their fields, the Tab order, and the command line.

#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <sstream>

#include "version.h"
#include "window/command_line.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

// What the caption of a control needs, asked of the control and its style.
QSize caption_need(const QWidget* control) {
  const QStyle* style = control->style();
  const auto* label = qobject_cast<const QLabel*>(control);
  if (label && label->text().isEmpty() && label->pixmap().isNull()) return {0, 0};
  if (label && label->wordWrap())
    return {label->minimumSizeHint().width(), label->heightForWidth(label->width())};
  if (label || qobject_cast<const QCheckBox*>(control)) return control->sizeHint();
  if (const auto* radio = qobject_cast<const QRadioButton*>(control)) {
    const int beside = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    const QRect room(0, 0, radio->width() - beside, 10000);
    return {0, radio->fontMetrics().boundingRect(room, Qt::TextWordWrap, radio->text()).height()};
  }
  if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    return {button->fontMetrics().horizontalAdvance(button->text()) +
                2 * style->pixelMetric(QStyle::PM_ButtonMargin),
            button->sizeHint().height()};
  }
  if (qobject_cast<const QGroupBox*>(control)) return {control->minimumSizeHint().width(), 0};
  if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QComboBox*>(control))
    return {0, control->sizeHint().height()};
  return {0, 0};
}

// Run again at 120 and 144 DPI by tests/window/CMakeLists.txt.
class Form1FontFit : public WindowTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void expect_captions_whole(const std::string& when) const {
    for (const QWidget* control : form->findChildren<QWidget*>()) {
      const QString name = control->objectName();
      if (name.isEmpty() || name.startsWith("qt_") || control->isHidden()) continue;
      const QSize need = caption_need(control);
      EXPECT_TRUE(need.width() <= control->width() && need.height() <= control->height())
          << when << ": " << name.toStdString() << " needs " << need.width() << "x" << need.height()
          << ", has " << control->width() << "x" << control->height();
      EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry()))
          << when << ": " << name.toStdString() << " goes beyond its group";
    }
  }
};

TEST_P(Form1FontFit, EveryCaptionAndHelpTextIsWholeAndExact) {
  write_bytes(temp / "regions.txt", "Region 0;page12920;Côte d'Azur;Hôtel;juin\n");
  write_settings({{"Source", (temp / "regions.txt").string()}, {"Option", "2"}});
  const QFont system_font = QApplication::font();
  QApplication::setFont(QFont(GetParam()));
  start();
  QApplication::setFont(system_font);
  ASSERT_EQ(QFontInfo(form->font()).family().toStdString(), GetParam())
      << "scripts/install-deps installs the font";
  const QByteArray dpi = qgetenv("CORVELLA_TEST_DPI");
  ASSERT_EQ(form->logicalDpiY(), dpi.isEmpty() ? 96 : dpi.toInt());
  expect_captions_whole("at start");

  choose(tag(0), 0);
  choose(tag(1), 1);
  ASSERT_EQ(caption("exemplenom"), "Exemple: Region 0_page12920.htm");
  click("titrep2");
  find<QPushButton>("Command1")->setText("Arrêter");
  expect_captions_whole("naming from tags, during a run");
  // Each help text, on a click on a field or on moving to a link setting.
  click("Check2");
  const std::string address = window::kWebAddress;
  const std::pair<const char*, std::string> helps[] = {
      {"source",
       "Double-cliquez dans le champ pour choisir le fichier contenant les données. Ce fichier "
       "doit être au format ASCII et chaque colonne doit être séparée par un point-virgule.\n"
       "Exemple : Ivo Brasset;5489;disponible;140F;reggae"},
      {"fichiermodele",
       "Double-cliquez dans le champ pour choisir le fichier HTML modèle.\nCelui-ci doit au "
       "préalable contenir des 'tags' qui correspondront aux colonnes du fichier de données.\n"
       "Exemple: <!--tag2--> (ligne vide) <!--/tag2-->"},
      {"destination",
       "Double-cliquez dans le champ pour choisir le répertoire où seront crées les pages HTML."},
      {"hyperdir",
       "Double-cliquez dans le champ pour choisir le répertoire où se trouvent les pages HTML à "
       "traiter."},
      // Reached with Tab from the field above.
      {"sourcelien",
       "Choisissez le tag à rechercher dans toutes les pages HTML.\nLe tag sélectionné sera "
       "cherché dans toutes les pages et toute page ayant le même contenu sera liée."},
      {"Textelien",
       "Choisissez le tag dont le contenu sera placé sur chaque lien.\nLe contenu du tag sera lu "
       "dans chaque fichier lié et placé comme texte visible de lien."},
      {"Tag99",
       "Choisissez le texte à placer avant le lien hypertexte.\nExemple : si vous écrivez " +
           address + ", le lien complet sera :\n<a href=\"" + address +
           "tag de lien\">tag de texte</a><br>"},
  };
  for (int index = 0; const auto& [name, text] : helps) {
    index++ < 4 ? click(name) : QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(caption("Aide"), text) << name;
    EXPECT_TRUE(shown("Aide") && shown("idee")) << name;
    expect_captions_whole(std::string("help of ") + name);
  }
  double_click("destination");
  double_click("hyperdir");
  expect_captions_whole("two pickers open");
}

INSTANTIATE_TEST_SUITE_P(Fonts, Form1FontFit,
                         ::testing::Values("Noto Sans", "DejaVu Sans", "Liberation Sans"));

class Form1Desktop : public FoldersTest {
 protected:
  // The named controls that take the focus from Check1 round to it again.
  std::string tab_stops() const {
    const auto focused = [] {
      QWidget* widget = QApplication::focusWidget();
      while (widget && (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")))
        widget = widget->parentWidget();
      return widget ? widget->objectName().toStdString() : "<none>";
    };
    find("Check1")->setFocus(Qt::TabFocusReason);
    std::string stops = focused();
    for (int count = 0; count < 60; ++count) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      if (focused() == "Check1") break;
      stops += " " + focused();
    }
    return stops;
  }
};

// Each tag entry hints at its column of the first record, as plain text
// cut at 60 characters; a shorter or missing first line leaves no hint.
TEST_F(Form1Desktop, TagEntriesHintAtTheColumnsOfTheFirstRecord) {
  write_settings({{"Source", (root / "donnees" / "catalogue.txt").string()}});
  start();
  const auto hints = [&](const char* list, std::initializer_list<int> rows) {
    std::string texts;
    for (int row : rows)
      texts += find<QComboBox>(list)->itemData(row, Qt::ToolTipRole).toString().toStdString() + "|";
    return texts;
  };
  EXPECT_EQ(hints("sourcelien", {0, 2, 3, 5, 100}) + hints("nomdufichierhtm(4)", {1}),
            "Ivo Brasset|<p style=\"white-space:pre\">&lt;b&gt;disponible&lt;/b&gt;</p>|"
            "Édition remasterisée de l'album enregistré à Kingston en 197|||5489|");
  set_text("source", root / "donnees" / "autres.txt");
  EXPECT_EQ(hints("Textelien", {0, 1, 2, 4}), "Autres|12|||");
  set_text("source", "/nulle/part.txt");
  EXPECT_EQ(hints("nomdufichierhtm(0)", {0}), "|");
}

TEST_F(Form1Desktop, LabelsNameTheirFieldsAndTabGoesTopToBottom) {
  start();
  const std::pair<const char*, const char*> buddies[] = {
      {"Label4", "source"},   {"Label7", "fichiermodele"}, {"Label5", "destination"},
      {"Label8", "hyperdir"}, {"Label6", "sourcelien"},    {"Label9", "Textelien"},
      {"Label10", "Tag99"}};
  for (const auto& [label, field] : buddies) {
    EXPECT_EQ(find<QLabel>(label)->buddy(), find(field)) << label;
    EXPECT_EQ(find(field)->accessibleName().toStdString(), caption(label)) << field;
  }
  EXPECT_EQ(find("nomdufichierhtm(1)")->accessibleName().toStdString(), "Tag 2 du nom des pages");

  EXPECT_EQ(tab_stops(),
            "Check1 Check2 source fichiermodele destination Option1 titrep1 Command1 Command2");
  click("Check2");
  click("Option2");
  EXPECT_EQ(tab_stops(),
            "Check1 Check2 source fichiermodele destination Option2 nomdufichierhtm(0) titrep1 "
            "hyperdir sourcelien Textelien Tag99 Command1 Command2");
  double_click("source");
  double_click("hyperdir");
  EXPECT_EQ(tab_stops(),
            "Check1 Check2 Drive1 ficdir ficsource titrep1 Drive4 Dirlist Command3 Command1 "
            "Command2");
}

TEST(Form1CommandLine, HelpVersionAndWrongArguments) {
  const std::string help =
      "Usage : corvella [--help | --version]\n"
      "Ouvre la fenêtre de Corvella, le générateur de pages HTML : une page par\n"
      "ligne d'un fichier de données (colonnes séparées par ;), faite à partir\n"
      "d'un modèle HTML, puis des liens entre les pages dont un même tag a le\n"
      "même contenu.\n\n"
      "Pour générer les pages sans fenêtre, utilisez corvella-batch\n"
      "(corvella-batch --help).\n\n"
      "  --help     cette aide\n"
      "  --version  la version du programme\n\n"
      "Les choix faits dans la fenêtre sont enregistrés dans\n  " +
      std::string(std::getenv("XDG_CONFIG_HOME")) + "/corvella/Corvella.ini\n";
  const std::string wrong = "corvella : argument inconnu : ";
  const std::string again = "\nEssayez « corvella --help ».\n";
  const std::tuple<std::vector<const char*>, std::optional<int>, std::string> cases[] = {
      {{"corvella", "--help"}, 0, help + "|"},
      {{"corvella", "--version"}, 0, std::string("corvella ") + kVersion + "\n|"},
      {{"corvella", "-h"}, 2, "|" + wrong + "-h" + again},
      {{"corvella", "--version", "données.txt"}, 2, "|" + wrong + "données.txt" + again},
      {{"corvella"}, std::nullopt, "|"},  // the window opens
  };
  for (const auto& [argv, status, out_err] : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(window::answer_command_line(static_cast<int>(argv.size()), argv.data(), out, err),
              status);
    EXPECT_EQ(out.str() + "|" + err.str(), out_err);
  }
}

}  // namespace
}  // namespace corvella::testing
