// The header and footer of printed pages: of an act (its act window's
// printout) and of the modifications view of the results panel. Each draws
// on the top line of its band; x counts from the band's left edge in screen
// pixels scaled to the printer.
#ifndef CORVANA_VIEWER_VIEWING_PAGE_DECORATIONS_H_
#define CORVANA_VIEWER_VIEWING_PAGE_DECORATIONS_H_

#include <QString>

class QPainter;
class QRect;

namespace viewing {

// The maker's line after the product title, and its web address.
extern const char kMakerContact[];
extern const char kMakerWebAddress[];

// "Corvana" in red at x = 60, the maker's line in blue right after it, and
// `title` in blue ending 60 pixels before the right edge. Both printouts
// share it: the act's caption, or the display title of the act whose
// modifications are printed.
void DrawPageHeader(QPainter& painter, const QRect& area, const QString& title);

// "Pagina N din M" at x = 60, "Si tu meriti imunitate!" centred, two
// points larger and bold, and the web address ending 60 pixels before the
// right edge.
void DrawActFooter(QPainter& painter, const QRect& area, int page, int page_total);

// The same with "Pagina N" alone.
void DrawModificationsFooter(QPainter& painter, const QRect& area, int page);

}  // namespace viewing

#endif  // CORVANA_VIEWER_VIEWING_PAGE_DECORATIONS_H_
