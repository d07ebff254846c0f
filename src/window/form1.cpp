#include "window/form1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "settings/ini_file.h"
#include "settings/settings.h"
#include "window/dialog_notifier.h"
#include "window/picker_lists.h"

// Outside any namespace, as Qt requires; pulls the images of the static
// library into the program.
static void init_window_resources() {
  Q_INIT_RESOURCE(corvella);
}

namespace corvella::window {

namespace {

// The default font of the window: the family of the system's font at 8.25
// points.
QFont window_font() {
  QFont font = QApplication::font();
  font.setPointSizeF(8.25);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

double logical_dpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96.0;
}

void set_colour(QWidget* widget, QPalette::ColorRole role, QColor colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::All, role, colour);
  widget->setPalette(palette);
}

void set_bold(QWidget* widget) {
  QFont font = widget->font();
  font.setBold(true);
  widget->setFont(font);
}

QPixmap image(const char* resource) {
  // A missing image leaves the picture empty.
  return QPixmap(QString::fromUtf8(resource));
}

}  // namespace

Form1::Form1(Form1Seams seams, QWidget* parent)
    : QWidget(parent),
      seams_(std::move(seams)),
      own_notifier_(seams_.notifier ? nullptr : std::make_unique<DialogNotifier>(this)),
      notifier_(seams_.notifier ? seams_.notifier : own_notifier_.get()),
      run_(*this, seams_.clock ? *seams_.clock : system_clock()),
      tw_(logical_dpi() / 1440.0) {
  init_window_resources();
  setObjectName(QStringLiteral("Form1"));
  setFont(window_font());
  setWindowIcon(QIcon(QStringLiteral(":/window/images/corvella.png")));
  create_controls();
  fit_layout();
  connect_handlers();
  Form_Load();
}

Form1::~Form1() = default;

template <typename Widget>
Widget* Form1::named(Widget* widget, const char* name, QRect twips) {
  widget->setObjectName(QString::fromUtf8(name));
  places_.push_back({widget, twips});
  return widget;
}

QFrame* Form1::make_bar(QWidget* parent, const char* name, QRect twips, QColor colour) {
  auto* bar = named(new QFrame(parent), name, twips);
  bar->setAutoFillBackground(true);
  set_colour(bar, QPalette::Window, colour);
  return bar;
}

QLabel* Form1::make_label(QWidget* parent, const char* name, const char* caption, QRect twips) {
  auto* label = named(new QLabel(QString::fromUtf8(caption), parent), name, twips);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Captions hold data and HTML examples: never read them as rich text.
  label->setTextFormat(Qt::PlainText);
  return label;
}

QLineEdit* Form1::make_text_box(QWidget* parent, const char* name, QRect place) {
  return named(new QLineEdit(parent), name, place);
}

QComboBox* Form1::make_combo_box(QWidget* parent, const char* name, QRect place) {
  auto* combo = named(new QComboBox(parent), name, place);
  combo->setEditable(true);
  // A typed text is not an entry of the list.
  combo->setInsertPolicy(QComboBox::NoInsert);
  return combo;
}

void Form1::create_controls() {
  const auto at = [](int left, int top, int width, int height) {
    return QRect(left, top, width, height);
  };
  // A label sized to its caption.
  const auto auto_at = [](int left, int top) { return QRect(left, top, 0, 0); };

  // The groups first, so the controls built after them lie above them.
  Frame2 = named(new QGroupBox(QStringLiteral("Paramètres de génération de pages HTML"), this),
                 "Frame2", at(0, 720, 5415, 4815));
  nompage = named(new QWidget(Frame2), "nompage", at(120, 2400, 5175, 1335));
  Frame4 = named(new QGroupBox(QStringLiteral("Paramètres des liens hypertexte"), this), "Frame4",
                 at(5520, 720, 5415, 2775));
  Frame4->setEnabled(false);
  Frame1 = named(new QGroupBox(this), "Frame1", at(5520, 3600, 5415, 1935));
  boutons = named(new QWidget(this), "boutons", at(0, 5520, 10935, 975));

  Picture1 = named(new QLabel(this), "Picture1", at(10320, 120, 600, 510));
  Picture1->setPixmap(image(":/window/images/picture1.png"));
  Picture1->setAlignment(Qt::AlignCenter);
  idee = named(new QLabel(boutons), "idee", at(0, 120, 360, 345));
  idee->setPixmap(image(":/window/images/idee.png"));
  idee->setAlignment(Qt::AlignCenter);
  idee->hide();
  Command1 = named(new QPushButton(QStringLiteral("Lancer"), boutons), "Command1",
                   at(7200, 480, 1815, 465));
  Command2 = named(new QPushButton(QStringLiteral("Quitter"), boutons), "Command2",
                   at(9120, 480, 1815, 465));
  Aide = make_label(boutons, "Aide", "Aide en ligne", at(480, 120, 4755, 795));
  Aide->setWordWrap(true);
  set_colour(Aide, QPalette::WindowText, QColor(0, 0, 255));
  Aide->hide();

  // The link code line: Text1, Tag99 and Text2 read as one line of HTML.
  Text2 = make_text_box(Frame4, "Text2", at(2760, 2400, 2580, 285));
  Text2->setText(QStringLiteral("Tag lien\">Tag texte</a><br>"));
  Text1 = make_text_box(Frame4, "Text1", at(120, 2400, 900, 285));
  Text1->setText(QStringLiteral("<a href=\""));
  for (QLineEdit* shown : {Text1, Text2}) {
    shown->setReadOnly(true);
    shown->setFocusPolicy(Qt::NoFocus);
    shown->setEnabled(false);
    set_bold(shown);
    set_colour(shown, QPalette::Base, QColor(224, 224, 224));
  }
  Dirlist = named(new FolderList(Frame4), "Dirlist", at(120, 960, 2295, 1440));
  Dirlist->setToolTip(QStringLiteral("Double-cliquez pour choisir le répertoire de destination"));
  Dirlist->hide();
  Textelien = make_combo_box(Frame4, "Textelien", at(120, 1800, 2295, 315));
  Tag99 = make_text_box(Frame4, "Tag99", at(1020, 2400, 1740, 285));
  set_colour(Tag99, QPalette::Base, Qt::white);
  hyperdir = make_text_box(Frame4, "hyperdir", at(120, 600, 2295, 285));
  Command3 =
      named(new QPushButton(QStringLiteral("Ok"), Frame4), "Command3", at(2520, 600, 735, 375));
  Command3->setEnabled(false);
  sourcelien = make_combo_box(Frame4, "sourcelien", at(120, 1200, 2295, 315));
  const QString root = QString::fromStdString(seams_.locations.root_folder.string());
  Drive4 = named(new DriveList(root, Frame4), "Drive4", at(120, 600, 2295, 315));
  Drive4->hide();
  Label10 =
      make_label(Frame4, "Label10", "Code HTML à insérer pour chaque lien :", auto_at(120, 2160));
  Label9 = make_label(Frame4, "Label9", "Tag de texte :", auto_at(120, 1560));
  Label8 = make_label(Frame4, "Label8", "Emplacement des fichiers HTML :", auto_at(120, 360));
  Label6 = make_label(Frame4, "Label6", "Tag de lien :", at(120, 960, 2775, 255));

  Check1 = named(new QCheckBox(QStringLiteral("Générer les pages HTML"), this), "Check1",
                 at(480, 0, 2175, 255));
  Check1->setChecked(true);
  Check2 = named(new QCheckBox(QStringLiteral("Créer les liens hypertexte"), this), "Check2",
                 at(480, 360, 2055, 255));

  nomdufichierhtm[4] = make_combo_box(Frame2, "nomdufichierhtm(4)", at(4080, 4320, 1095, 315));
  nomdufichierhtm[4]->hide();
  titrep2 = named(new WrapRadioButton(QStringLiteral("Composition à partir d'un tag"), Frame2),
                  "titrep2", at(2160, 4320, 1935, 375));
  titrep1 =
      named(new WrapRadioButton(QStringLiteral("Deuxième colonne du fichier des données"), Frame2),
            "titrep1", at(120, 4320, 1935, 375));
  titrep1->setChecked(true);
  auto* titles = new QButtonGroup(this);
  titles->addButton(titrep1);
  titles->addButton(titrep2);
  fichiermodele = make_text_box(Frame2, "fichiermodele", at(120, 1200, 5175, 285));
  Dirmodele = named(new FolderList(Frame2), "Dirmodele", at(120, 1560, 2055, 315));
  Dirmodele->setToolTip(
      QStringLiteral("Double-cliquez pour visualiser le contenu d'un répertoire"));
  Dirmodele->hide();
  ficmodele = named(new FileList(Frame2), "ficmodele", at(2280, 1200, 3015, 285));
  ficmodele->set_pattern(QStringLiteral("*.htm"));
  ficmodele->setToolTip(QStringLiteral("Double-cliquez pour choisir le modèle"));
  ficmodele->hide();
  validedestination = named(new QPushButton(QStringLiteral("Ok"), Frame2), "validedestination",
                            at(2880, 1800, 735, 375));
  validedestination->hide();
  destination = make_text_box(Frame2, "destination", at(120, 1800, 5175, 285));
  dirdestination = named(new FolderList(Frame2), "dirdestination", at(120, 2160, 2055, 315));
  dirdestination->setToolTip(
      QStringLiteral("Double-cliquez pour choisir le répertoire de destination"));
  dirdestination->hide();
  source = make_text_box(Frame2, "source", at(120, 600, 5175, 285));
  ficsource = named(new FileList(Frame2), "ficsource", at(2280, 600, 3015, 285));
  ficsource->hide();

  Option2 = named(new WrapRadioButton(QStringLiteral("Composition à partir de Tags"), nompage),
                  "Option2", at(1920, 240, 2655, 375));
  Option1 =
      named(new WrapRadioButton(QStringLiteral("Première colonne du fichier des données"), nompage),
            "Option1", at(0, 240, 1935, 375));
  Option1->setChecked(true);
  auto* names = new QButtonGroup(this);
  names->addButton(Option1);
  names->addButton(Option2);
  for (int index = 0; index < 4; ++index) {
    const std::string name = "nomdufichierhtm(" + std::to_string(index) + ")";
    nomdufichierhtm[index] =
        make_combo_box(nompage, name.c_str(), at(1320 * index, 720, 1095, 315));
    nomdufichierhtm[index]->hide();
    nomdufichierhtm[index]->setEnabled(index == 0);
  }
  Label12 = make_label(nompage, "Label12", "Méthode de création du nom des pages :", auto_at(0, 0));
  exemplenom =
      make_label(nompage, "exemplenom", "Exemple : AAAA_BBBB_CCC_DDD.htm", at(0, 1080, 4980, 195));
  exemplenom->hide();
  Drive1 = named(new DriveList(root, Frame2), "Drive1", at(120, 600, 2055, 315));
  Drive1->hide();
  ficdir = named(new FolderList(Frame2), "ficdir", at(120, 960, 2055, 315));
  ficdir->hide();
  Drive2 = named(new DriveList(root, Frame2), "Drive2", at(120, 1200, 2055, 315));
  Drive2->hide();
  Drive3 = named(new DriveList(root, Frame2), "Drive3", at(120, 1800, 2055, 315));
  Drive3->hide();
  Label13 =
      make_label(Frame2, "Label13", "Méthode de création du titre des pages :", auto_at(120, 4080));
  Label7 = make_label(Frame2, "Label7", "Fichier HTML modèle :", auto_at(120, 960));
  Label5 = make_label(Frame2, "Label5", "Destination des pages à créer :", auto_at(120, 1560));
  Label4 =
      make_label(Frame2, "Label4", "Fichier contenant les données à importer :", auto_at(120, 360));

  pictotal = make_bar(Frame1, "pictotal", at(240, 1200, 5000, 135), QColor(0, 0, 255));
  piccours = make_bar(Frame1, "piccours", at(240, 600, 5000, 135), QColor(128, 128, 255));
  Progressbar2 = make_label(Frame1, "Progressbar2", "xxx", auto_at(1800, 960));
  progressbar1 = make_label(Frame1, "progressbar1", "xxx", auto_at(1800, 360));
  for (QLabel* count : {Progressbar2, progressbar1}) set_bold(count);
  Label1 = make_label(Frame1, "Label1", "Fichier en cours :", at(360, 360, 1215, 255));
  Label2 = make_label(Frame1, "Label2", "Total fichiers :", at(360, 960, 1095, 255));
  Label3 = make_label(Frame1, "Label3", "Temps estimé :", at(360, 1560, 1095, 255));
  temps = make_label(Frame1, "temps", "...", auto_at(1560, 1560));
  internet = make_label(this, "internet", kWebAddress, auto_at(8160, 120));
  set_colour(internet, QPalette::WindowText, QColor(128, 0, 0));

  // A folder list starts at the current folder of its drive, and a file list
  // shows the folder of its folder list.
  ficdir->set_folder(Drive1->current_folder());
  ficsource->set_folder(ficdir->folder());
  Dirmodele->set_folder(Drive2->current_folder());
  ficmodele->set_folder(Dirmodele->folder());
  dirdestination->set_folder(Drive3->current_folder());
  Dirlist->set_folder(Drive4->current_folder());

  // Each field is tied to the label above it and named by its caption, for
  // screen readers; the naming and title captions lead to their first choice.
  const std::pair<QLabel*, QWidget*> buddies[] = {
      {Label4, source},     {Label7, fichiermodele}, {Label5, destination},
      {Label12, Option1},   {Label13, titrep1},      {Label8, hyperdir},
      {Label6, sourcelien}, {Label9, Textelien},     {Label10, Tag99}};
  for (const auto& [label, field] : buddies) {
    label->setBuddy(field);
    if (!qobject_cast<QRadioButton*>(field)) field->setAccessibleName(label->text());
  }
  for (int index = 0; index < 4; ++index) {
    nomdufichierhtm[index]->setAccessibleName(
        QStringLiteral("Tag %1 du nom des pages").arg(index + 1));
  }
  nomdufichierhtm[4]->setAccessibleName(QStringLiteral("Tag du titre des pages"));

  // The Tab key follows the window from top to bottom, each picker's lists
  // right after the field they fill (hidden controls are skipped).
  QWidget* const order[] = {Check1,
                            Check2,
                            source,
                            Drive1,
                            ficdir,
                            ficsource,
                            fichiermodele,
                            Drive2,
                            Dirmodele,
                            ficmodele,
                            destination,
                            Drive3,
                            dirdestination,
                            validedestination,
                            Option1,
                            Option2,
                            nomdufichierhtm[0],
                            nomdufichierhtm[1],
                            nomdufichierhtm[2],
                            nomdufichierhtm[3],
                            titrep1,
                            titrep2,
                            nomdufichierhtm[4],
                            hyperdir,
                            Drive4,
                            Dirlist,
                            Command3,
                            sourcelien,
                            Textelien,
                            Tag99,
                            Command1,
                            Command2};
  for (std::size_t index = 1; index < std::size(order); ++index) {
    setTabOrder(order[index - 1], order[index]);
  }
}

void Form1::place_controls() {
  for (const auto& [widget, twips] : places_) {
    widget->setGeometry(tw_.rect(twips));
    if (twips.size().isNull()) widget->adjustSize();
  }
  // The two pass boxes have room on their right: they grow to their caption.
  for (QCheckBox* box : {Check1, Check2}) {
    box->resize(std::max(box->width(), box->sizeHint().width()), box->height());
  }
  setFixedSize(tw_.px(11040), tw_.px(6525));
}

bool Form1::captions_fit() const {
  for (const Place& place : places_) {
    if (!caption_fits(place.widget)) return false;
  }
  // The captions shown later: every help text, and the button during a run.
  const auto fits_with = [](auto* control, const QString& caption) {
    const QString shown = control->text();
    control->setText(caption);
    const bool fits = caption_fits(control);
    control->setText(shown);
    return fits;
  };
  for (const QString& help : help_texts()) {
    if (!fits_with(Aide, help)) return false;
  }
  return fits_with(Command1, QStringLiteral("Arrêter"));
}

void Form1::fit_layout() {
  // One percent at a time, so the window grows no more than its font needs.
  const double reference = tw_.scale();
  for (int step = 0; step <= 200; ++step) {
    tw_ = Twips(reference * (1 + step / 100.0));
    place_controls();
    if (captions_fit()) return;
  }
}

void Form1::connect_handlers() {
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(Check1, &QCheckBox::clicked, this, &Form1::Check1_Click);
  connect(Check2, &QCheckBox::clicked, this, &Form1::Check2_Click);

  // textChanged also follows setText, as the start-up sequence needs.
  connect(source, &QLineEdit::textChanged, this, &Form1::source_Change);
  connect(fichiermodele, &QLineEdit::textChanged, this, &Form1::fichiermodele_Change);
  connect(destination, &QLineEdit::textChanged, this, &Form1::destination_Change);
  connect(hyperdir, &QLineEdit::textChanged, this, &Form1::hyperdir_Change);
  connect(Tag99, &QLineEdit::textChanged, this, &Form1::Tag99_Change);
  for (QObject* field : {source, fichiermodele, destination, hyperdir}) {
    field->installEventFilter(this);
  }
  for (QObject* setting : {static_cast<QObject*>(sourcelien), static_cast<QObject*>(Textelien),
                           static_cast<QObject*>(Tag99)}) {
    setting->installEventFilter(this);
  }

  // A click in a combo box is an entry chosen from its list, not a typed text.
  connect(sourcelien, &QComboBox::activated, this, &Form1::sourcelien_Click);
  connect(Textelien, &QComboBox::activated, this, &Form1::Textelien_Click);
  for (QComboBox* tag : nomdufichierhtm) {
    connect(tag, &QComboBox::activated, this, &Form1::nomdufichierhtm_Click);
  }
  // An option button is clicked when it becomes selected, by the user or by
  // the program.
  const auto on_selected = [this](QRadioButton* button, void (Form1::*handler)()) {
    connect(button, &QRadioButton::toggled, this, [this, handler](bool selected) {
      if (selected) (this->*handler)();
    });
  };
  on_selected(Option1, &Form1::Option1_Click);
  on_selected(Option2, &Form1::Option2_Click);
  on_selected(titrep1, &Form1::titrep1_Click);
  on_selected(titrep2, &Form1::titrep2_Click);

  connect(Drive1, &DriveList::drive_changed, this, &Form1::Drive1_Change);
  connect(Drive2, &DriveList::drive_changed, this, &Form1::Drive2_Change);
  connect(Drive3, &DriveList::drive_changed, this, &Form1::Drive3_Change);
  connect(Drive4, &DriveList::drive_changed, this, &Form1::Drive4_Change);
  connect(ficdir, &FolderList::folder_changed, this, &Form1::ficdir_Change);
  connect(Dirmodele, &FolderList::folder_changed, this, &Form1::Dirmodele_Change);
  connect(dirdestination, &FolderList::folder_changed, this, &Form1::dirdestination_Change);
  connect(ficsource, &FileList::file_double_clicked, this, &Form1::ficsource_DblClick);
  connect(ficmodele, &FileList::file_double_clicked, this, &Form1::ficmodele_DblClick);
  connect(ficsource, &FileList::parent_requested, ficdir, &FolderList::enter_parent);
  connect(ficmodele, &FileList::parent_requested, Dirmodele, &FolderList::enter_parent);
  connect(validedestination, &QPushButton::clicked, this, &Form1::validedestination_Click);
  connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);

  help_timer_.setSingleShot(true);
  help_timer_.setTimerType(Qt::PreciseTimer);
  help_timer_.setInterval(seams_.help_duration);
  connect(&help_timer_, &QTimer::timeout, this, &Form1::hide_help);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (watched == source) source_MouseDown();
      if (watched == fichiermodele) fichiermodele_MouseDown();
      if (watched == destination) destination_MouseDown();
      if (watched == hyperdir) hyperdir_MouseDown();
      break;
    case QEvent::MouseButtonDblClick:
      // The picker takes the field's place; the field has nothing to select.
      if (watched == source) return source_DblClick(), true;
      if (watched == fichiermodele) return fichiermodele_DblClick(), true;
      if (watched == destination) return destination_DblClick(), true;
      if (watched == hyperdir) return hyperdir_DblClick(), true;
      break;
    case QEvent::FocusIn: {
      // The focus coming back from a list's popup or from another window is
      // not the user moving to the field.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) break;
      if (watched == sourcelien) sourcelien_GotFocus();
      if (watched == Textelien) Textelien_GotFocus();
      if (watched == Tag99) Tag99_GotFocus();
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
  // Closing the window during a run stops it at its next event point; the
  // page being filled is not delivered.
  if (run_.running()) run_.flags().stop = true;
  event->accept();
}

void Form1::save(std::string_view key, const QString& value) {
  write_key(settings_file_, kSection, key, bytes_of(key, value));
}

std::filesystem::path Form1::path_of(const QString& text) const {
  return std::filesystem::path(bytes_of({}, text));
}

}  // namespace corvella::window
