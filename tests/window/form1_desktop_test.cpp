// The window on a desktop: captions whole under common fonts and DPIs, the
// tag hints, labels tied to their fields,
// the Tab order, and the command line of the window program.

#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <sstream>

#include "version.h"
#include "window/command_line.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

// ---------------------------------------------------------------------------
// Captions. This binary runs at the screen's DPI (96 offscreen);
// tests/window/CMakeLists.txt runs these tests again at 120 and 144 DPI.

// The size the caption of a control needs, asked of the control and its style.
QSize caption_need(const QWidget* control) {
  const QFontMetrics metrics = control->fontMetrics();
  const QStyle* style = control->style();
  if (const auto* label = qobject_cast<const QLabel*>(control)) {
    if (label->text().isEmpty() && label->pixmap().isNull()) return {0, 0};
    if (!label->wordWrap()) return label->sizeHint();
    return {label->minimumSizeHint().width(), label->heightForWidth(label->width())};
  }
  if (const auto* radio = qobject_cast<const QRadioButton*>(control)) {
    const int beside = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                       style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    return {0, metrics
                   .boundingRect(QRect(0, 0, radio->width() - beside, 10000), Qt::TextWordWrap,
                                 radio->text())
                   .height()};
  }
  if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    return {
        metrics.horizontalAdvance(button->text()) + 2 * style->pixelMetric(QStyle::PM_ButtonMargin),
        button->sizeHint().height()};
  }
  if (qobject_cast<const QCheckBox*>(control)) return control->sizeHint();
  if (qobject_cast<const QGroupBox*>(control)) return {control->minimumSizeHint().width(), 0};
  if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QComboBox*>(control)) {
    return {0, control->sizeHint().height()};
  }
  return {0, 0};
}

class Form1FontFit : public WindowTest, public ::testing::WithParamInterface<const char*> {
 protected:
  // Every control that shows something checked as it is now; `when` says at
  // what moment.
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

TEST_P(Form1FontFit, EveryCaptionAndHelpTextIsWhole) {
  const fs::path data = temp / "regions.txt";
  write_bytes(data, "Region 0;page12920;Côte d'Azur;Hôtel;juin\n");
  write_settings({{"Source", data.string()}, {"Option", "2"}});
  const QFont system_font = QApplication::font();
  QApplication::setFont(QFont(GetParam()));
  start();
  QApplication::setFont(system_font);
  form->activateWindow();
  QApplication::setActiveWindow(form.get());
  ASSERT_EQ(QFontInfo(form->font()).family().toStdString(), GetParam())
      << "scripts/install-deps installs the font";
  const int dpi = qEnvironmentVariableIsSet("CORVELLA_TEST_DPI")
                      ? qEnvironmentVariableIntValue("CORVELLA_TEST_DPI")
                      : 96;
  ASSERT_EQ(form->logicalDpiY(), dpi);
  expect_captions_whole("at start");

  choose(tag(0), 0);
  choose(tag(1), 1);
  ASSERT_EQ(caption("exemplenom"), "Exemple: Region 0_page12920.htm");
  click("titrep2");
  find<QPushButton>("Command1")->setText("Arrêter");
  expect_captions_whole("naming from tags, during a run");

  // Every help text, in the label that shows it.
  click("Check2");
  for (const char* field : {"source", "fichiermodele", "destination", "hyperdir"}) {
    click(field);
    expect_captions_whole(std::string("help of ") + field);
  }
  for (const char* setting : {"sourcelien", "Textelien", "Tag99"}) {
    find(setting)->setFocus(Qt::TabFocusReason);
    expect_captions_whole(std::string("help of ") + setting);
  }
  double_click("destination");
  double_click("hyperdir");
  expect_captions_whole("two pickers open");
}

INSTANTIATE_TEST_SUITE_P(Fonts, Form1FontFit,
                         ::testing::Values("Noto Sans", "DejaVu Sans", "Liberation Sans"),
                         [](const auto& font) {
                           std::string name = font.param;
                           std::erase(name, ' ');
                           return name;
                         });

// ---------------------------------------------------------------------------

class Form1Desktop : public FoldersTest {
 protected:
  // The named control that has the keyboard focus.
  std::string focused() const {
    for (QWidget* widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
      if (!widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_")) {
        return widget->objectName().toStdString();
      }
    }
    return "<none>";
  }
  // The Tab stops from Check1 round to it again.
  std::string tab_stops() const {
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
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

TEST_F(Form1Desktop, TagEntriesHintAtTheColumnsOfTheFirstRecord) {
  write_settings({{"Source", (root / "donnees" / "catalogue.txt").string()}});
  start();
  const auto hints = [&](const char* list, std::initializer_list<int> rows) {
    std::string texts;
    for (int row : rows) {
      const QComboBox* combo = find<QComboBox>(list);
      texts += combo->itemText(row).toStdString() + " = " +
               combo->itemData(row, Qt::ToolTipRole).toString().toStdString() + "\n";
    }
    return texts;
  };
  EXPECT_EQ(hints("sourcelien", {0, 2, 3, 5, 100}),
            "Tag N°0 = Ivo Brasset\n"
            "Tag N°2 = <p style=\"white-space:pre\">&lt;b&gt;disponible&lt;/b&gt;</p>\n"
            "Tag N°3 = Édition remasterisée de l'album enregistré à Kingston en 197\n"
            "Tag N°5 = \n"
            "Tag N°100 = \n");
  EXPECT_EQ(hints("nomdufichierhtm(0)", {1}), "Tag N°1 = 5489\n");
  EXPECT_EQ(hints("nomdufichierhtm(4)", {0}), "Tag N°0 = Ivo Brasset\n");

  // A shorter first line leaves no hint of the columns it lacks.
  set_text("source", root / "donnees" / "autres.txt");
  EXPECT_EQ(hints("Textelien", {0, 1, 2, 4}),
            "Tag N°0 = Autres\nTag N°1 = 12\nTag N°2 = \nTag N°4 = \n");
  find<QLineEdit>("source")->setText("/nulle/part.txt");
  EXPECT_EQ(hints("Textelien", {0}), "Tag N°0 = \n");
}

TEST_F(Form1Desktop, LabelsNameTheirFieldsAndTabGoesTopToBottom) {
  start();
  for (const auto& [label, field] :
       std::vector<std::pair<const char*, const char*>>{{"Label4", "source"},
                                                        {"Label7", "fichiermodele"},
                                                        {"Label5", "destination"},
                                                        {"Label8", "hyperdir"},
                                                        {"Label6", "sourcelien"},
                                                        {"Label9", "Textelien"},
                                                        {"Label10", "Tag99"}}) {
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
  struct Case {
    std::vector<const char*> arguments;
    int status;
    std::string out, err;
  };
  const std::string settings =
      std::string(std::getenv("XDG_CONFIG_HOME")) + "/corvella/Corvella.ini";
  const std::string wrong = "corvella : argument inconnu : ";
  const Case cases[] = {
      {{"--help"},
       0,
       "Usage : corvella [--help | --version]\n"
       "Ouvre la fenêtre de Corvella, le générateur de pages HTML : une page par\n"
       "ligne d'un fichier de données (colonnes séparées par ;), faite à partir\n"
       "d'un modèle HTML, puis des liens entre les pages dont un même tag a le\n"
       "même contenu.\n"
       "\n"
       "Pour générer les pages sans fenêtre, utilisez corvella-batch\n"
       "(corvella-batch --help).\n"
       "\n"
       "  --help     cette aide\n"
       "  --version  la version du programme\n"
       "\n"
       "Les choix faits dans la fenêtre sont enregistrés dans\n  " +
           settings + "\n",
       ""},
      {{"--version"}, 0, std::string("corvella ") + kVersion + "\n", ""},
      {{"-h"}, 2, "", wrong + "-h\nEssayez « corvella --help ».\n"},
      {{"--version", "données.txt"}, 2, "", wrong + "données.txt\nEssayez « corvella --help ».\n"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"corvella"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    std::ostringstream out, err;
    EXPECT_EQ(window::answer_command_line(static_cast<int>(argv.size()), argv.data(), out, err),
              c.status);
    EXPECT_EQ(out.str(), c.out);
    EXPECT_EQ(err.str(), c.err);
  }
  const char* alone[] = {"corvella"};
  std::ostringstream out, err;
  EXPECT_EQ(window::answer_command_line(1, alone, out, err), std::nullopt);
}

}  // namespace
}  // namespace corvella::testing
