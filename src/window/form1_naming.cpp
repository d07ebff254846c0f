// Page naming and titling: the option buttons, the five tag lists and the
// example name built from the first line of the data file; and the hints of
// every tag list, taken from that same line.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextDocument>

#include "generation/naming.h"
#include "model/data_file.h"
#include "platform/charset.h"
#include "window/form1.h"

namespace corvella::window {

namespace {

void clear_choice(QComboBox* combo) {
  combo->setCurrentIndex(-1);
  combo->setEditText(QString());
}

constexpr int kHintLength = 60;  // characters

// A field as a tooltip: its first characters, shown as they are written.
QString tag_hint(const std::string& field) {
  QString text = QString::fromStdString(to_utf8(field));
  qsizetype end = 0;
  for (int counted = 0; counted < kHintLength && end < text.size(); ++counted) {
    end += text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
  }
  text.truncate(end);
  // A tooltip that looks like HTML would be drawn as HTML.
  return Qt::mightBeRichText(text) ? QStringLiteral("<p style=\"white-space:pre\">") +
                                         text.toHtmlEscaped() + QStringLiteral("</p>")
                                   : text;
}

}  // namespace

bool Form1::has_choice(int index) const {
  // A typed text that is not the chosen entry counts as no choice.
  const QComboBox* combo = nomdufichierhtm[index];
  const int chosen = combo->currentIndex();
  return chosen >= 0 && !combo->currentText().isEmpty() &&
         combo->itemText(chosen) == combo->currentText();
}

void Form1::show_name_tags(bool shown) {
  for (int index = 0; index < 4; ++index) nomdufichierhtm[index]->setVisible(shown);
  exemplenom->setVisible(shown);
}

void Form1::save_name_tags() {
  for (std::size_t index = 0; index < nomdufichierhtm.size(); ++index) {
    save("TagF" + std::to_string(index), nomdufichierhtm[index]->currentText());
  }
}

void Form1::Option1_Click() {
  for (int index = 0; index < 4; ++index) {
    nomdufichierhtm[index]->hide();
    clear_choice(nomdufichierhtm[index]);
  }
  exemplenom->hide();
  save("Option", QStringLiteral("1"));
  save_name_tags();
}

void Form1::Option2_Click() {
  show_name_tags(true);
  save("Option", QStringLiteral("2"));
}

void Form1::titrep1_Click() {
  nomdufichierhtm[4]->hide();
  save("Titre", QStringLiteral("1"));
  clear_choice(nomdufichierhtm[4]);
  save("TagF4", QString());
}

void Form1::titrep2_Click() {
  nomdufichierhtm[4]->show();
  save("Titre", QStringLiteral("2"));
}

void Form1::select_titrep1() {
  if (!titrep1->isChecked()) titrep1->setChecked(true);
}

void Form1::select_option1() {
  if (!Option1->isChecked()) Option1->setChecked(true);
}

// Every click rebuilds everything from the five boxes, whichever was clicked.
// Enabling is one-way: nothing here disables a name tag again.
void Form1::nomdufichierhtm_Click() {
  const FieldTable& fields = run_.fields();
  const auto field = [&](int index) -> const std::string& {
    return fields[nomdufichierhtm[index]->currentIndex()];
  };
  std::string example = "Exemple: ";
  if (has_choice(0)) {
    nomdufichierhtm[1]->setEnabled(true);
    example += field(0);
  }
  for (int index = 1; index <= 2; ++index) {
    if (has_choice(index)) {
      nomdufichierhtm[index + 1]->setEnabled(true);
      example += "_" + field(index);
    }
  }
  example += has_choice(3) ? "_" + field(3) + ".htm" : std::string(".htm");
  exemplenom->setText(QString::fromStdString(to_utf8(example)));

  if (const QString title = nomdufichierhtm[4]->currentText(); !title.isEmpty()) {
    if (const std::optional<int> number = tag_number(title.toStdString())) {
      run_.title_index() = *number;
    }
  }
  save_name_tags();
}

// Each entry "Tag N°k" tells what column k + 1 of the first record holds; a
// column the record does not have, or a file that cannot be read, gives none.
void Form1::show_tag_hints() {
  FieldTable first;
  p_exemple(path_of(source->text()), first);
  const std::array<QComboBox*, 7> lists{nomdufichierhtm[0], nomdufichierhtm[1], nomdufichierhtm[2],
                                        nomdufichierhtm[3], nomdufichierhtm[4], sourcelien,
                                        Textelien};
  for (QComboBox* list : lists) {
    for (int row = 0; row < list->count(); ++row) {
      const std::optional<int> number = tag_number(list->itemText(row).toStdString());
      const bool known = number && *number >= 0 && *number < kFieldCount;
      list->setItemData(row, known ? tag_hint(first[*number]) : QString(), Qt::ToolTipRole);
    }
  }
}

}  // namespace corvella::window
