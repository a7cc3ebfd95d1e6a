#include "viewer/viewing/page_decorations.h"

#include <QFontMetrics>
#include <QPainter>

#include "viewer/hypertext/hypertext_view.h"

namespace viewing {

const char kMakerContact[] = " - baza de date legislativa; suport tehnic: suport@corvana.ro";
const char kMakerWebAddress[] = "www.corvana.ro";

namespace {

constexpr int kTextSize = 8;  // points
constexpr int kInset = 60;    // screen pixels from the band's sides

// Draws `text` on the band's top line, starting at `x`, and returns where
// it ends.
int DrawAt(QPainter& painter, const QRect& area, int x, const QString& text) {
  const QFontMetrics metrics(painter.font(), painter.device());
  painter.drawText(x, area.top() + metrics.ascent(), text);
  return x + metrics.horizontalAdvance(text);
}

int TextWidth(const QPainter& painter, const QString& text) {
  return QFontMetrics(painter.font(), painter.device()).horizontalAdvance(text);
}

void SetTextSize(QPainter& painter, int points, bool bold) {
  QFont font = painter.font();
  font.setPointSize(points);
  font.setBold(bold);
  painter.setFont(font);
}

void DrawFooter(QPainter& painter, const QRect& area, const QString& page_text) {
  painter.save();
  const int inset = hypertext::ScreenPixels(painter, kInset);
  SetTextSize(painter, kTextSize, false);
  DrawAt(painter, area, area.left() + inset, page_text);
  const QString motto = QStringLiteral("Si tu meriti imunitate!");
  SetTextSize(painter, kTextSize + 2, true);
  DrawAt(painter, area, area.left() + (area.width() - TextWidth(painter, motto)) / 2, motto);
  SetTextSize(painter, kTextSize, false);
  const QString web = QString::fromLatin1(kMakerWebAddress);
  DrawAt(painter, area, area.right() - inset - TextWidth(painter, web), web);
  painter.restore();
}

}  // namespace

void DrawPageHeader(QPainter& painter, const QRect& area, const QString& title) {
  painter.save();
  const int inset = hypertext::ScreenPixels(painter, kInset);
  SetTextSize(painter, kTextSize, false);
  painter.setPen(Qt::red);
  const int end = DrawAt(painter, area, area.left() + inset, QStringLiteral("Corvana"));
  painter.setPen(Qt::blue);
  DrawAt(painter, area, end, QString::fromLatin1(kMakerContact));
  DrawAt(painter, area, area.right() - inset - TextWidth(painter, title), title);
  painter.restore();
}

void DrawActFooter(QPainter& painter, const QRect& area, int page, int page_total) {
  DrawFooter(painter, area, QStringLiteral("Pagina %1 din %2").arg(page).arg(page_total));
}

void DrawModificationsFooter(QPainter& painter, const QRect& area, int page) {
  DrawFooter(painter, area, QStringLiteral("Pagina %1").arg(page));
}

}  // namespace viewing
