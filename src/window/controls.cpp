#include "window/controls.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <cmath>

namespace corvella::window {

namespace {

constexpr int kCaptionFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
constexpr int kUnbounded = 1 << 20;

// The size the caption of `widget` needs, the width it has given.
QSize caption_need(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) {
    if (!label->wordWrap()) return label->sizeHint();
    return {label->minimumSizeHint().width(), label->heightForWidth(label->width())};
  }
  if (const auto* radio = qobject_cast<const WrapRadioButton*>(widget)) {
    return {radio->minimumSizeHint().width(), radio->heightForWidth(radio->width())};
  }
  if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect contents =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const int text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width();
    return {button->width() - contents.width() + text, button->sizeHint().height()};
  }
  if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
    return {group->minimumSizeHint().width(), 0};
  }
  if (qobject_cast<const QAbstractButton*>(widget)) return widget->sizeHint();
  if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QComboBox*>(widget)) {
    return {0, widget->sizeHint().height()};
  }
  return {0, 0};
}

}  // namespace

int Twips::px(int twips) const {
  return static_cast<int>(std::lround(twips * scale_));
}

bool caption_fits(const QWidget* widget) {
  const QSize need = caption_need(widget);
  if (need.width() > widget->width() || need.height() > widget->height()) return false;
  const QWidget* parent = widget->parentWidget();
  return !parent || parent->rect().contains(widget->geometry());
}

void set_field_text(QLineEdit* field, const QString& text) {
  field->setText(text);
  field->setCursorPosition(0);
}

QRect WrapRadioButton::indicator_rect() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  return style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, this);
}

QRect WrapRadioButton::caption_area(const QRect& button) const {
  QStyleOptionButton option;
  initStyleOption(&option);
  const int spacing = style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, &option, this);
  return button.adjusted(indicator_rect().right() + 1 + spacing, 0, 0, 0);
}

int WrapRadioButton::heightForWidth(int width) const {
  const QRect area = caption_area(QRect(0, 0, width, kUnbounded));
  const QRect text = fontMetrics().boundingRect(QRect(0, 0, area.width(), kUnbounded),
                                                kCaptionFlags & ~Qt::AlignVCenter, this->text());
  return std::max(indicator_rect().height(), text.height());
}

QSize WrapRadioButton::minimumSizeHint() const {
  int longest = 0;
  for (const QString& word : text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    longest = std::max(longest, fontMetrics().horizontalAdvance(word));
  }
  const int indicator = caption_area(QRect()).left();
  return {indicator + longest, std::max(indicator_rect().height(), fontMetrics().height())};
}

void WrapRadioButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QString caption = option.text;
  option.text.clear();
  const QRect indicator = indicator_rect();
  QStyleOptionButton indicator_option = option;
  indicator_option.rect = QRect(indicator.left(), (height() - indicator.height()) / 2,
                                indicator.width(), indicator.height());
  painter.drawPrimitive(QStyle::PE_IndicatorRadioButton, indicator_option);

  const QRect text_area = caption_area(rect());
  painter.drawItemText(text_area, kCaptionFlags, palette(), isEnabled(), caption,
                       QPalette::WindowText);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = painter.boundingRect(text_area, kCaptionFlags, caption);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

}  // namespace corvella::window
