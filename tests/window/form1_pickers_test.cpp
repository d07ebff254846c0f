// The four built-in pickers, driven as a user does: double-click a path
// field, double-click folders and files, press "Ok".

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include "window/picker_lists.h"
#include "window_fixture.h"

namespace corvella::testing {
namespace {

class PickerTest : public WindowTest {
 protected:
  PickerTest() {
    root = locations.root_folder;
    fs::create_directories(root / "donnees" / "archives");
    fs::create_directories(root / "pages");
    fs::create_directories(root / "modeles");
    write_bytes(root / "donnees" / "data.txt", "Ivo Brasset;5489;disponible;140F;reggae\r\n");
    write_bytes(root / "donnees" / ".cache", "hidden\r\n");
    write_bytes(root / "modeles" / "fiche.htm", "<html></html>\r\n");
    write_bytes(root / "modeles" / "ANCIEN.HTM", "<html></html>\r\n");
    write_bytes(root / "modeles" / "page.html", "<html></html>\r\n");
    write_bytes(root / "modeles" / "notes.txt", "notes\r\n");
  }

  QString path(const fs::path& folder) const { return QString::fromStdString(folder.string()); }

  std::vector<std::string> names_in(const char* list) {
    std::vector<std::string> names;
    const auto* files = find<QListWidget>(list);
    for (int row = 0; row < files->count(); ++row)
      names.push_back(files->item(row)->text().toStdString());
    return names;
  }

  void expect_shown(std::initializer_list<const char*> names, bool shown) {
    for (const char* name : names) EXPECT_EQ(!find<QWidget>(name)->isHidden(), shown) << name;
  }

  fs::path root;
};

TEST_F(PickerTest, ChoosingTheDataFile) {
  start();
  double_click(find<QWidget>("source"));
  expect_shown({"ficdir", "ficsource", "Drive1", "Label4"}, true);
  expect_shown({"source", "destination", "fichiermodele", "Label7", "Label12", "Option1"}, false);
  // The first press of the double-click showed the field's help.
  EXPECT_FALSE(find<QWidget>("Aide")->isHidden());
  EXPECT_EQ(find<window::FolderList>("ficdir")->folder(), path(root));

  double_click_entry(find<QListWidget>("ficdir"), path(root / "donnees"));
  EXPECT_EQ(names_in("ficsource"), std::vector<std::string>{"data.txt"});
  double_click_entry(find<QListWidget>("ficsource"), "data.txt");

  EXPECT_EQ(find<QLineEdit>("source")->text(), path(root / "donnees" / "data.txt"));
  EXPECT_EQ(stored("Source"), (root / "donnees" / "data.txt").string());
  expect_shown({"source", "destination", "fichiermodele", "Label7", "Label12", "Option2"}, true);
  expect_shown({"ficdir", "ficsource", "Drive1"}, false);
  EXPECT_TRUE(find<QWidget>("source")->isEnabled());
  // The template picker starts again at the root, with ".htm" files.
  EXPECT_EQ(find<window::FolderList>("Dirmodele")->folder(), path(root));
  EXPECT_EQ(find<window::FileList>("ficmodele")->pattern().toStdString(), "*.htm");
}

TEST_F(PickerTest, ChoosingTheTemplateListsHtmFilesWhateverTheirCase) {
  start();
  double_click(find<QWidget>("fichiermodele"));
  expect_shown({"ficmodele", "Dirmodele", "Drive2", "Label7", "Label4", "source"}, true);
  expect_shown({"Label5", "destination", "fichiermodele", "Label12", "Option1", "Option2"}, false);
  EXPECT_FALSE(find<QWidget>("source")->isEnabled());

  double_click_entry(find<QListWidget>("Dirmodele"), path(root / "modeles"));
  EXPECT_EQ(names_in("ficmodele"), (std::vector<std::string>{"ANCIEN.HTM", "fiche.htm"}));
  double_click_entry(find<QListWidget>("ficmodele"), "fiche.htm");

  EXPECT_EQ(find<QLineEdit>("fichiermodele")->text(), path(root / "modeles" / "fiche.htm"));
  EXPECT_EQ(stored("Modele"), (root / "modeles" / "fiche.htm").string());
  expect_shown({"fichiermodele", "source", "destination", "Label12"}, true);
  expect_shown({"ficmodele", "Dirmodele", "Drive2", "dirdestination", "validedestination"}, false);
  EXPECT_TRUE(find<QWidget>("source")->isEnabled());
}

TEST_F(PickerTest, ConfirmingTheDestinationNeedsAChangeOfFolder) {
  start();
  double_click(find<QWidget>("destination"));
  auto* ok = find<QPushButton>("validedestination");
  expect_shown({"dirdestination", "validedestination", "Drive3", "source", "fichiermodele"}, true);
  expect_shown({"destination", "Label12", "Option1", "Option2"}, false);
  EXPECT_FALSE(find<QWidget>("source")->isEnabled());
  EXPECT_FALSE(find<QWidget>("fichiermodele")->isEnabled());
  EXPECT_NEAR(find<QWidget>("dirdestination")->height(), px(1000), 1);
  EXPECT_FALSE(ok->isEnabled());

  double_click_entry(find<QListWidget>("dirdestination"), path(root / "pages"));
  EXPECT_TRUE(ok->isEnabled());
  QTest::mouseClick(ok, Qt::LeftButton);

  const std::string pages = folder_text(root / "pages");
  EXPECT_EQ(find<QLineEdit>("destination")->text().toStdString(), pages);
  EXPECT_EQ(stored("Destination"), pages);
  EXPECT_EQ(stored("Source"), (examples() / kExampleData).string());
  EXPECT_EQ(stored("Modele"), (examples() / kExampleTemplate).string());
  expect_shown({"destination", "Label12", "Option1", "Option2"}, true);
  expect_shown({"dirdestination", "validedestination", "Drive3"}, false);
  EXPECT_TRUE(find<QWidget>("source")->isEnabled());
  EXPECT_TRUE(find<QWidget>("Command1")->isEnabled());

  // Without the page pass the folder is written but not remembered, and
  // Command1 is left as it was. (The box is unticked while the picker is
  // open, as its click would disable the picker's group.)
  double_click(find<QWidget>("destination"));
  double_click_entry(find<QListWidget>("dirdestination"), path(root));
  find<QCheckBox>("Check1")->setChecked(false);
  find<QPushButton>("Command1")->setEnabled(false);
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(find<QLineEdit>("destination")->text().toStdString(), folder_text(root));
  EXPECT_EQ(stored("Destination"), pages);
  EXPECT_FALSE(find<QWidget>("Command1")->isEnabled());
}

TEST_F(PickerTest, ConfirmingTheLinkFolderEnablesCommand1OnlyWithALinkTag) {
  start();
  auto* command1 = find<QPushButton>("Command1");
  auto* sourcelien = find<QComboBox>("sourcelien");
  // Untick both passes (Command1 off), empty the link tag, tick the link pass.
  QTest::mouseClick(find<QCheckBox>("Check2"), Qt::LeftButton);
  QTest::mouseClick(find<QCheckBox>("Check1"), Qt::LeftButton);
  QTest::mouseClick(find<QCheckBox>("Check2"), Qt::LeftButton);
  sourcelien->setEditText(QString());
  QTest::mouseClick(find<QCheckBox>("Check2"), Qt::LeftButton);
  ASSERT_FALSE(command1->isEnabled());

  double_click(find<QWidget>("hyperdir"));
  expect_shown({"Dirlist", "Drive4"}, true);
  expect_shown({"hyperdir", "Label6", "Label9", "sourcelien", "Textelien", "Label10", "Tag99",
                "Text1", "Text2"},
               false);
  EXPECT_EQ(find<window::FolderList>("Dirlist")->folder(), path(root));
  double_click_entry(find<QListWidget>("Dirlist"), path(root / "pages"));
  QTest::mouseClick(find<QPushButton>("Command3"), Qt::LeftButton);

  const std::string pages = folder_text(root / "pages");
  EXPECT_EQ(find<QLineEdit>("hyperdir")->text().toStdString(), pages);
  EXPECT_FALSE(command1->isEnabled());
  EXPECT_NE(stored("Lien"), pages);
  expect_shown({"hyperdir", "Label6", "sourcelien", "Tag99", "Text1", "Text2"}, true);
  expect_shown({"Dirlist", "Drive4"}, false);

  // Command3 stays enabled: a second press, now with a link tag.
  choose(sourcelien, 4);
  QTest::mouseClick(find<QPushButton>("Command3"), Qt::LeftButton);
  EXPECT_TRUE(command1->isEnabled());
  EXPECT_EQ(stored("Lien"), pages);
}

TEST(PickerLists, PathsAndUnreadableFolders) {
  EXPECT_EQ(window::join_folder("/", "data.txt").toStdString(), "/data.txt");
  EXPECT_EQ(window::join_folder("/home/ivo", "data.txt").toStdString(), "/home/ivo/data.txt");
  EXPECT_EQ(window::join_folder("/home/ivo", "").toStdString(), "/home/ivo/");

  TempDir temp;
  window::FolderList folders(nullptr);
  ASSERT_TRUE(folders.set_folder(QString::fromStdString(temp.path().string())));
  const int entries = folders.count();
  EXPECT_FALSE(folders.set_folder(QString::fromStdString((temp / "parti").string())));
  EXPECT_EQ(folders.folder().toStdString(), temp.path().string());
  EXPECT_EQ(folders.count(), entries);
}

}  // namespace
}  // namespace corvella::testing
