#include "viewer/hypertext/print_layout.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>
#include <QTextFrame>
#include <algorithm>

namespace hypertext {
namespace {

// The text keeps this far from every edge of the paper; the header stands
// in the lower half of the top margin, the footer in the upper half of the
// bottom one.
constexpr double kMarginCm = 2.0;

}  // namespace

PrintLayout::PrintLayout(const QTextDocument& document, QPrinter& printer, QObject* resources)
    : copy_(document.clone(resources)),
      page_layout_(printer.pageLayout()),
      resolution_(printer.resolution()) {
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  const double margin = kMarginCm / 2.54 * printer.resolution();
  body_ = QRectF(margin, margin, paper.width() - 2 * margin, paper.height() - 2 * margin);
  header_ = QRect(0, int(margin / 2), int(paper.width()), int(margin / 2));
  footer_ = QRect(0, int(body_.bottom()), int(paper.width()), int(margin / 2));

  // Laid out on the printer, the text takes the printer's font metrics and
  // lengths given in pixels are scaled to its resolution. The layout holds
  // on to the printer only while it works with it: the printer may be gone
  // by the next use.
  copy_->documentLayout()->setPaintDevice(&printer);
  QTextFrameFormat root = copy_->rootFrame()->frameFormat();
  root.setMargin(0);
  copy_->rootFrame()->setFrameFormat(root);
  copy_->setPageSize(body_.size());
  page_count_ = copy_->pageCount();
  copy_->documentLayout()->setPaintDevice(nullptr);
}

PrintLayout::~PrintLayout() = default;

bool PrintLayout::Matches(const QPrinter& printer) const {
  return printer.resolution() == resolution_ && printer.pageLayout().isEquivalentTo(page_layout_);
}

void PrintLayout::Print(QPrinter& printer, int from, int to, const Decorator& header,
                        const Decorator& footer) const {
  from = std::max(from, 1);
  to = std::min(to, page_count_);
  if (from > to) return;
  QPainter painter(&printer);
  if (!painter.isActive()) return;
  copy_->documentLayout()->setPaintDevice(&printer);
  // The painter starts at the printable area's corner; work on the paper.
  const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
  painter.translate(-printable.topLeft());
  for (int page = from; page <= to; ++page) {
    if (page != from) printer.newPage();
    painter.save();
    const QRectF view(0, (page - 1) * body_.height(), body_.width(), body_.height());
    painter.translate(body_.left(), body_.top() - view.top());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    context.palette.setColor(QPalette::Text, Qt::black);
    copy_->documentLayout()->draw(&painter, context);
    painter.restore();
    for (const auto& [decorate, area] :
         {std::pair{&header, header_}, std::pair{&footer, footer_}}) {
      if (!*decorate) continue;
      painter.save();
      painter.setClipRect(area);
      (*decorate)(painter, area, page, page_count_);
      painter.restore();
    }
  }
  copy_->documentLayout()->setPaintDevice(nullptr);
}

}  // namespace hypertext
