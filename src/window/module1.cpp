#include "window/module1.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace corvella::window::Module1 {

namespace {

int sign(int value) {
  return (value > 0) - (value < 0);
}

}  // namespace

Place centre_place(int screen_width, int screen_height, int window_width, int window_height) {
  const int dw = screen_width - window_width;
  const int dh = screen_height - window_height;
  return {dw / 2, dh / 2 + (dh * (1 - sign(dh))) / 4};
}

void CentreForm(QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize size = window.frameGeometry().size();
  const Place place = centre_place(area.width(), area.height(), size.width(), size.height());
  window.move(area.left() + place.left, area.top() + place.top);
  window.update();
}

}  // namespace corvella::window::Module1
