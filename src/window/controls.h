#pragma once

// Building blocks of the window: twips to pixels, what a control's caption
// needs, and an option button whose caption wraps onto a second line as the
// window's option buttons need.

#include <QRadioButton>
#include <QRect>

class QFont;
class QLineEdit;

namespace corvella::window {

// The window is laid out in twips (1/1440 inch). A pixel is 1440 / dpi twips
// (15 at 96 dpi). The layout was drawn for a small, narrow font; under a
// larger or taller one every length grows by the same ratio (see
// Form1::fit_layout), so captions are whole and the layout keeps its
// proportions.
class Twips {
 public:
  explicit Twips(double pixels_per_twip) : scale_(pixels_per_twip) {}

  int px(int twips) const;
  QRect rect(const QRect& twips) const {
    return {px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height())};
  }
  double scale() const { return scale_; }

 private:
  double scale_;
};

// Whether the caption of `widget` (a label, button or group box; any other
// control holds one line of text) shows whole at its size and inside its
// parent: every line, with ascent and descent. The control itself is asked
// for the size its text needs; a push button only needs its text inside its
// contents, whatever minimum width the style prefers.
bool caption_fits(const QWidget* widget);

// Puts a path or a remembered text into a text box with its start in view,
// as a text set by the program is shown.
void set_field_text(QLineEdit* field, const QString& text);

// A radio button whose caption is drawn word-wrapped beside the indicator,
// vertically centred, and which answers a click anywhere in its rectangle.
class WrapRadioButton : public QRadioButton {
  Q_OBJECT
 public:
  WrapRadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {}

  bool hasHeightForWidth() const override { return true; }
  // The indicator, or the caption wrapped beside it, whichever is higher.
  int heightForWidth(int width) const override;
  // As wide as the indicator and the caption's longest word.
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

 private:
  QRect indicator_rect() const;
  QRect caption_area(const QRect& button) const;
};

}  // namespace corvella::window
