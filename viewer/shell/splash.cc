#include "viewer/shell/splash.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

namespace shell {

QPixmap ProductPicture(QSize size) {
  QPixmap picture(size);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, size.height());
  sky.setColorAt(0, QColor(0x1d, 0x3b, 0x6e));
  sky.setColorAt(1, QColor(0x6a, 0x8f, 0xc4));
  painter.fillRect(picture.rect(), sky);
  // A stack of pages on the right.
  const int w = size.width(), h = size.height();
  for (int i = 0; i < 3; ++i) {
    const QRectF page(w * 0.62 + i * 10, h * 0.18 + i * 10, w * 0.26, h * 0.58);
    painter.setPen(QPen(QColor(0x9a, 0xa8, 0xbd), 1));
    painter.setBrush(QColor(0xf6, 0xf3, 0xea));
    painter.drawRect(page);
    painter.setPen(QPen(QColor(0xb8, 0xb2, 0xa0), 2));
    for (int line = 1; line < 8; ++line) {
      const qreal y = page.top() + line * page.height() / 8.5;
      painter.drawLine(QPointF(page.left() + 8, y), QPointF(page.right() - 8, y));
    }
  }
  QFont title(QStringLiteral("Liberation Serif"));
  title.setPixelSize(h / 5);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(w * 0.06, h * 0.22, w * 0.6, h * 0.3), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Corvana"));
  QFont subtitle(QStringLiteral("Liberation Sans"));
  subtitle.setPixelSize(h / 16);
  painter.setFont(subtitle);
  painter.drawText(QRectF(w * 0.06, h * 0.5, w * 0.6, h * 0.15), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Legisla\u021Bia Rom\u00E2niei"));
  return picture;
}

Splash::Splash() : QSplashScreen(ProductPicture(kSplashSize)) {
  QFont label(QStringLiteral("Liberation Sans"));
  label.setPixelSize(14);
  setFont(label);
  showMessage(QStringLiteral("versiunea 3.0"), Qt::AlignRight | Qt::AlignBottom, Qt::white);
}

}  // namespace shell
