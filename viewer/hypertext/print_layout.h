// A document laid out on a printer's paper: a copy of the shown document
// split into pages of the printer's size, with the bands above and below
// each page's text where the host draws its header and footer.
#ifndef CORVANA_VIEWER_HYPERTEXT_PRINT_LAYOUT_H_
#define CORVANA_VIEWER_HYPERTEXT_PRINT_LAYOUT_H_

#include <QPageLayout>
#include <QRect>
#include <functional>
#include <memory>

class QObject;
class QPainter;
class QPrinter;
class QTextDocument;

namespace hypertext {

class PrintLayout {
 public:
  using Decorator = std::function<void(QPainter& painter, const QRect& area, int page, int pages)>;

  // Lays `document` out for `printer`. The copy is owned by `resources`
  // (the view), which it asks for pictures the document had not loaded.
  PrintLayout(const QTextDocument& document, QPrinter& printer, QObject* resources);
  ~PrintLayout();

  // Whether this layout still matches the printer's paper and resolution.
  bool Matches(const QPrinter& printer) const;
  int page_count() const { return page_count_; }

  // Prints pages `from` to `to` (from 1, clamped), each with its bands.
  void Print(QPrinter& printer, int from, int to, const Decorator& header,
             const Decorator& footer) const;

 private:
  std::unique_ptr<QTextDocument> copy_;
  QPageLayout page_layout_;
  int resolution_ = 0;
  QRectF body_;   // the text of a page, in paper coordinates
  QRect header_;  // the band above it
  QRect footer_;  // the band below it
  int page_count_ = 0;
};

}  // namespace hypertext

#endif  // CORVANA_VIEWER_HYPERTEXT_PRINT_LAYOUT_H_
