#include "window/controls.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <cmath>

namespace corvella::window {

int Twips::px(int twips) const {
  return static_cast<int>(std::lround(twips * scale_));
}

double pixels_per_twip(const QFont& font, double logical_dpi) {
  // Labels of the progress display, drawn exactly as wide as their caption.
  struct Reference {
    const char* caption;
    int twips;
  };
  static constexpr Reference kReferences[] = {
      {"Fichier en cours :", 1215}, {"Total fichiers :", 1095}, {"Temps estimé :", 1095}};
  const QFontMetricsF metrics(font);
  double scale = logical_dpi / 1440.0;
  for (const Reference& reference : kReferences) {
    scale = std::max(
        scale, metrics.horizontalAdvance(QString::fromUtf8(reference.caption)) / reference.twips);
  }
  return scale;
}

void set_field_text(QLineEdit* field, const QString& text) {
  field->setText(text);
  field->setCursorPosition(0);
}

void WrapRadioButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QString caption = option.text;
  option.text.clear();
  const QRect indicator = style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, this);
  QStyleOptionButton indicator_option = option;
  indicator_option.rect = QRect(indicator.left(), (height() - indicator.height()) / 2,
                                indicator.width(), indicator.height());
  painter.drawPrimitive(QStyle::PE_IndicatorRadioButton, indicator_option);

  const int spacing = style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, &option, this);
  const QRect text_area = rect().adjusted(indicator.right() + 1 + spacing, 0, 0, 0);
  painter.drawItemText(text_area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, palette(),
                       isEnabled(), caption, QPalette::WindowText);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = painter.boundingRect(text_area,
                                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, caption);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

}  // namespace corvella::window
