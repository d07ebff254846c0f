#pragma once

// Building blocks of the window: twips to pixels, and an option button whose
// caption wraps onto a second line as the window's option buttons need.

#include <QRadioButton>
#include <QRect>

class QFont;
class QLineEdit;

namespace corvella::window {

// The window is laid out in twips (1/1440 inch). A pixel is 1440 / dpi twips
// (15 at 96 dpi). The layout was drawn for a font narrower than most sans-
// serif fonts of today; when the window's font is wider, every length grows
// by the same ratio, so captions are not clipped and the layout keeps its
// proportions.
class Twips {
 public:
  explicit Twips(double pixels_per_twip) : scale_(pixels_per_twip) {}

  int px(int twips) const;
  QRect rect(int left, int top, int width, int height) const {
    return {px(left), px(top), px(width), px(height)};
  }
  double scale() const { return scale_; }

 private:
  double scale_;
};

// The pixels per twip for `font` on a screen of `logical_dpi`: dpi / 1440, or
// more when three captions that the layout sizes exactly to their text would
// not fit.
double pixels_per_twip(const QFont& font, double logical_dpi);

// Puts a path or a remembered text into a text box with its start in view,
// as a text set by the program is shown.
void set_field_text(QLineEdit* field, const QString& text);

// A radio button whose caption is drawn word-wrapped beside the indicator,
// vertically centred, and which answers a click anywhere in its rectangle.
class WrapRadioButton : public QRadioButton {
  Q_OBJECT
 public:
  WrapRadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

}  // namespace corvella::window
