#include "viewer/hypertext/hypertext_view.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintDevice>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolTip>
#include <stdexcept>

#include "actsdb/codepage.h"
#include "viewer/hypertext/print_layout.h"

namespace hypertext {
namespace {

// Marks put into a page while it is read in and taken out once it is in;
// no Windows-1250 page can hold them. What "</center>" becomes: it, and a
// zero-width space that starts the next paragraph.
const QString kParagraphMark = QStringLiteral("</center>\u200B");
// What a named anchor's tag leaves where it stood: this character, then the
// anchor's number among the page's names in the digits below.
constexpr char16_t kAnchorMark = 0xE000;
constexpr char16_t kAnchorDigitZero = 0xE010;

bool IsAnchorDigit(QChar c) {
  return c.unicode() >= kAnchorDigitZero && c.unicode() < kAnchorDigitZero + 10;
}

// Takes the name out of every "<a ... name=...>" tag of `html` and leaves
// the anchor's mark after the tag; returns the names, in order.
QStringList TakeAnchorNames(QString& html) {
  static const QRegularExpression kNamedAnchor(
      QStringLiteral("<a(\\s[^>]*?)?\\sname\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]*))([^>]*)>"),
      QRegularExpression::CaseInsensitiveOption);
  QStringList names;
  QRegularExpressionMatchIterator it = kNamedAnchor.globalMatch(html);
  if (!it.hasNext()) return names;
  QString marked;
  marked.reserve(html.size() + 64);
  qsizetype copied = 0;
  while (it.hasNext()) {
    const QRegularExpressionMatch tag = it.next();
    QString name = tag.captured(2);
    if (name.isNull()) name = tag.captured(3);
    if (name.isNull()) name = tag.captured(4);
    marked.append(QStringView(html).mid(copied, tag.capturedStart() - copied));
    marked.append(QLatin1String("<a"));
    marked.append(tag.capturedView(1));
    marked.append(tag.capturedView(5));
    marked.append(QChar('>'));
    marked.append(QChar(kAnchorMark));
    for (const QChar digit : QString::number(names.size())) {
      marked.append(QChar(char16_t(kAnchorDigitZero + digit.digitValue())));
    }
    names.append(std::move(name));
    copied = tag.capturedEnd();
  }
  marked.append(QStringView(html).mid(copied));
  html = std::move(marked);
  return names;
}

// A "<" that starts no tag (one not followed by a letter, "/", "!" or "?")
// is text to a browser, but Qt's importer takes it for a tag and drops what
// follows it up to the next ">": the "x < 5" of an act's text, or the
// " << " link before each search hit. Such a "<" goes in as "&lt;".
void EscapeStrayLessThan(QString& html) {
  const auto stray = [&html](qsizetype at) {
    if (at + 1 >= html.size()) return true;
    const QChar next = html[at + 1];
    return !(next.isLetter() || next == '/' || next == '!' || next == '?');
  };
  qsizetype at = html.indexOf('<');
  while (at >= 0 && !stray(at)) at = html.indexOf('<', at + 1);
  if (at < 0) return;
  QString escaped;
  escaped.reserve(html.size() + 64);
  qsizetype copied = 0;
  for (; at >= 0; at = html.indexOf('<', at + 1)) {
    if (!stray(at)) continue;
    escaped.append(QStringView(html).mid(copied, at - copied));
    escaped.append(QLatin1String("&lt;"));
    copied = at + 1;
  }
  escaped.append(QStringView(html).mid(copied));
  html = std::move(escaped);
}

}  // namespace

QString FromCp1250(std::string_view text) {
  return QString::fromStdString(actsdb::Cp1250ToUtf8(text));
}

std::string ToCp1250(const QString& text) { return actsdb::Utf8ToCp1250(text.toStdString()); }

int ScreenPixels(const QPainter& painter, int pixels) {
  return pixels * painter.device()->logicalDpiX() / 96;
}

HypertextView::HypertextView(QWidget* parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setMouseTracking(true);
  document()->setUndoRedoEnabled(false);
  connect(this, &QTextBrowser::anchorClicked, this, &HypertextView::Activate);
  connect(document(), &QTextDocument::contentsChanged, this, [this] { print_layout_.reset(); });
}

HypertextView::~HypertextView() = default;

void HypertextView::LoadFromMemory(std::string_view html) {
  document()->setBaseUrl(QUrl());
  SetPage(FromCp1250(html));
}

void HypertextView::LoadFromFile(const QString& path, const QString& anchor) {
  ShowFile(path, anchor);
  if (history_limit_ == 0) return;
  if (!history_.empty()) {
    history_[history_index_].position = ScrollPosition();
    history_.resize(history_index_ + 1);  // a new page drops the forward pages
  }
  history_.push_back({QFileInfo(path).absoluteFilePath(), 0});
  if (history_.size() > size_t(history_limit_)) history_.erase(history_.begin());
  history_index_ = history_.size() - 1;
}

void HypertextView::ShowFile(const QString& path, const QString& anchor) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw std::runtime_error("Cannot read the page " + path.toStdString() + ": " +
                             file.errorString().toStdString());
  }
  const QByteArray bytes = file.readAll();
  const std::string_view text(bytes.constData(), size_t(bytes.size()));
  document()->setBaseUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
  SetPage(actsdb::LooksLikeUtf8(text) ? QString::fromUtf8(bytes) : FromCp1250(text));
  if (!anchor.isEmpty()) ScrollToAnchor(anchor);
}

void HypertextView::SetPage(QString html) {
  // Things Qt reads unlike a browser. A "<link>" element has no
  // content, but Qt hides whatever follows it up to a "</link>" or the end
  // of its parent (the act pages' language letter stands after one); closed
  // at once, it hides nothing.
  static const QRegularExpression kLinkTag(QStringLiteral("(<link\\b[^>]*>)"),
                                           QRegularExpression::CaseInsensitiveOption);
  html.replace(kLinkTag, QStringLiteral("\\1</link>"));
  // Cells written straight into a table, before any row: a browser opens a
  // row for them, while Qt takes them out of the table, which then loses
  // its width (the modification pages' column heads stand so).
  static const QRegularExpression kCellsWithoutRow(
      QStringLiteral("(<table\\b[^>]*>\\s*)(?=<t[hd]\\b)"),
      QRegularExpression::CaseInsensitiveOption);
  html.replace(kCellsWithoutRow, QStringLiteral("\\1<tr>"));
  // A colour in a style sheet given as hex digits without its "#" ("th
  // {background-color: ffffce;}"): a browser reads it as that colour, Qt
  // as black.
  static const QRegularExpression kStyleSheet(QStringLiteral("<style\\b.*?</style>"),
                                              QRegularExpression::CaseInsensitiveOption |
                                                  QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression kBareHexColour(
      QStringLiteral("(color\\s*:\\s*)([0-9a-f]{6}|[0-9a-f]{3})(?=\\s*[;}])"),
      QRegularExpression::CaseInsensitiveOption);
  for (qsizetype at = 0;;) {
    const QRegularExpressionMatch sheet = kStyleSheet.match(html, at);
    if (!sheet.hasMatch()) break;
    QString fixed = sheet.captured();
    fixed.replace(kBareHexColour, QStringLiteral("\\1#\\2"));
    html.replace(sheet.capturedStart(), sheet.capturedLength(), fixed);
    at = sheet.capturedStart() + fixed.size();
  }
  // And Qt runs text that follows the end of a centred block on inside that
  // block (its importer lets a blank between them stand for the start of
  // the next paragraph), so the paragraph after a heading would be centred
  // on the heading's line. A browser starts a new paragraph there. A
  // character right after "</center>" makes Qt start one too; the marks,
  // which no Windows-1250 page can hold, are taken out once the page is in.
  const bool marked = html.contains(QLatin1String("</center>"), Qt::CaseInsensitive);
  if (marked) html.replace(QLatin1String("</center>"), kParagraphMark, Qt::CaseInsensitive);
  // The anchors' names are kept by the view (see Anchor).
  const QStringList names = TakeAnchorNames(html);
  // Nor does it take a "<" that starts no tag for text (below).
  EscapeStrayLessThan(html);
  pinned_anchor_.clear();
  anchors_.clear();
  setHtml(html);
  if (marked || !names.isEmpty()) RemoveMarks(marked, names);
  pressed_link_.clear();
  Hover(QString());
}

void HypertextView::RemoveMarks(bool paragraph_marks, const QStringList& anchor_names) {
  QTextDocument& page = *document();
  QTextCursor edit(&page);
  edit.beginEditBlock();
  if (paragraph_marks) {
    const QString mark(kParagraphMark.back());
    for (QTextCursor at = page.find(mark); !at.isNull(); at = page.find(mark, at)) {
      // The mark goes with the blanks after it, up to an anchor's mark; a
      // paragraph left empty goes too.
      const int start = at.selectionStart();
      const QTextBlock block = at.block();
      const QString text = block.text();
      int end = start + 1 - block.position();
      while (end < text.size() && text[end] == ' ') ++end;
      const bool empties = start == block.position() && end == text.size();
      at.setPosition(empties && block.previous().isValid() ? start - 1 : start);
      at.setPosition(block.position() + end, QTextCursor::KeepAnchor);
      at.removeSelectedText();
    }
  }
  if (!anchor_names.isEmpty()) {
    // Each block's text is read once and the marks go from the last to the
    // first, so that the places found stay valid. A paragraph that held
    // only marks goes too (as one emptied of paragraph marks does), and its
    // anchors name the start of the next one. An anchor's position is that
    // of the character it names, less what went before it.
    struct Cut {
      int from;
      int length;
    };
    struct Named {
      qsizetype name;
      int at;
    };
    std::vector<Cut> cuts;
    std::vector<Named> named;
    for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
      const QString text = block.text();
      const int start = block.position();
      const size_t first = cuts.size();
      const size_t first_named = named.size();
      qsizetype kept = text.size();
      qsizetype previous_end = -1;  // of the mark before, and what stood before it
      bool previous_folds = false;
      for (qsizetype at = text.indexOf(QChar(kAnchorMark)); at >= 0;
           at = text.indexOf(QChar(kAnchorMark), at + 1)) {
        qsizetype end = at + 1;
        qsizetype name = 0;
        while (end < text.size() && IsAnchorDigit(text[end])) {
          name = name * 10 + (text[end].unicode() - kAnchorDigitZero);
          ++end;
        }
        // Qt folds a blank into the blank or the line start before it; the
        // mark kept the anchor's own blank from folding so.
        const bool folds = at == previous_end ? previous_folds
                                              : at == 0 || text[at - 1] == ' ' ||
                                                    text[at - 1] == QChar::LineSeparator;
        previous_end = end;
        previous_folds = folds;
        if (folds && end < text.size() && text[end] == ' ') ++end;
        cuts.push_back({start + int(at), int(end - at)});
        kept -= end - at;
        if (name < anchor_names.size()) named.push_back({name, start + int(end)});
      }
      if (kept == 0 && cuts.size() > first && block.previous().isValid()) {
        --cuts[first].from;  // with the end of the paragraph before
        ++cuts[first].length;
        const int next = block.next().isValid() ? start + int(text.size()) + 1
                                                : start + int(text.size());
        for (size_t i = first_named; i < named.size(); ++i) named[i].at = next;
      }
    }
    for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut) {
      edit.setPosition(cut->from);
      edit.setPosition(cut->from + cut->length, QTextCursor::KeepAnchor);
      edit.removeSelectedText();
    }
    anchors_.reserve(named.size());
    auto cut = cuts.begin();
    int removed = 0;
    for (const Named& anchor : named) {
      for (; cut != cuts.end() && cut->from < anchor.at; ++cut) removed += cut->length;
      anchors_.push_back({anchor_names[anchor.name], anchor.at - removed});
    }
  }
  edit.endEditBlock();
}

void HypertextView::ScrollToAnchor(const QString& name) {
  pinned_anchor_ = name.startsWith('#') ? name.mid(1) : name;
  if (isVisible()) ScrollToPinnedAnchor();
  pinned_position_ = isVisible() ? ScrollPosition() : -1;
}

void HypertextView::ScrollToPinnedAnchor() {
  if (pinned_anchor_.isEmpty()) return;
  int y = 0;
  for (const Anchor& anchor : anchors_) {
    if (anchor.name != pinned_anchor_) continue;
    // The top of the line that holds it.
    QTextCursor at(document());
    at.setPosition(anchor.position);
    y = cursorRect(at).top() + ScrollPosition();
    break;
  }
  verticalScrollBar()->setValue(y);
}

void HypertextView::ScrollToPosition(int y) {
  pinned_anchor_.clear();
  verticalScrollBar()->setValue(y);
}

void HypertextView::showEvent(QShowEvent* event) {
  QTextBrowser::showEvent(event);
  if (pinned_anchor_.isEmpty()) return;
  if (pinned_position_ < 0) ScrollToPinnedAnchor();  // named while hidden
  pinned_position_ = ScrollPosition();
}

void HypertextView::resizeEvent(QResizeEvent* event) {
  // Another width wraps the lines anew and the anchor at the top moves
  // down or up with the text before it: it is put back unless the page was
  // scrolled away from it meanwhile.
  const bool pinned =
      !pinned_anchor_.isEmpty() && pinned_position_ >= 0 && ScrollPosition() == pinned_position_;
  QTextBrowser::resizeEvent(event);
  if (pinned) {
    ScrollToPinnedAnchor();
    pinned_position_ = ScrollPosition();
  } else if (pinned_position_ >= 0) {
    pinned_anchor_.clear();
  }
}

int HypertextView::ScrollPosition() const { return verticalScrollBar()->value(); }

int HypertextView::ScrollRange() const { return verticalScrollBar()->maximum(); }

void HypertextView::SetHistoryLimit(int pages) {
  history_limit_ = std::max(pages, 0);
  while (history_.size() > size_t(history_limit_)) {
    history_.erase(history_.begin());
    if (history_index_ > 0) --history_index_;
  }
}

bool HypertextView::Back() {
  if (history_.empty() || history_index_ == 0) return false;
  history_[history_index_].position = ScrollPosition();
  const Page& page = history_[--history_index_];
  ShowFile(page.path, QString());
  ScrollToPosition(page.position);
  return true;
}

bool HypertextView::Forward() {
  if (history_index_ + 1 >= history_.size()) return false;
  history_[history_index_].position = ScrollPosition();
  const Page& page = history_[++history_index_];
  ShowFile(page.path, QString());
  ScrollToPosition(page.position);
  return true;
}

int HypertextView::SelectionLength() const {
  const QTextCursor cursor = textCursor();
  return std::abs(cursor.position() - cursor.anchor());
}

void HypertextView::CopySelection() { copy(); }

bool HypertextView::FindForward(const QString& text, bool match_case) {
  QTextDocument::FindFlags flags;
  if (match_case) flags |= QTextDocument::FindCaseSensitively;
  const QTextCursor found = document()->find(text, textCursor(), flags);
  if (found.isNull()) return false;
  // setTextCursor scrolls as little as it can; the match goes to the middle
  // instead when it would stand out of sight or close to the bottom edge.
  const int before = ScrollPosition();
  setTextCursor(found);
  ScrollToPosition(before);
  QTextCursor start = found;
  start.setPosition(found.selectionStart());
  const QRect top = cursorRect(start);
  const QRect bottom = cursorRect(found);
  const int height = viewport()->height();
  if (top.top() < 0 || bottom.bottom() > height - 20) {
    ScrollToPosition(before + (top.top() + bottom.bottom()) / 2 - height / 2);
  }
  return true;
}

void HypertextView::SetPictureSource(PictureSource source) { picture_source_ = std::move(source); }

QVariant HypertextView::loadResource(int type, const QUrl& name) {
  if (type != QTextDocument::ImageResource || !picture_source_) {
    return QTextBrowser::loadResource(type, name);
  }
  QImage image;
  if (const std::optional<std::string> bytes = picture_source_(name.toString())) {
    image.loadFromData(reinterpret_cast<const uchar*>(bytes->data()), int(bytes->size()));
  }
  if (image.isNull()) {
    image = style()->standardIcon(QStyle::SP_FileIcon).pixmap(16, 16).toImage();
  }
  // Kept with the document, so that the source is not asked again.
  document()->addResource(type, name, image);
  return image;
}

void HypertextView::SetHint(const QString& text) {
  hint_ = text;
  if (hint_shown_) SetHintShown(true);
}

void HypertextView::SetHintShown(bool shown) {
  hint_shown_ = shown;
  const QString text = shown ? hint_ : QString();
  if (text.isEmpty()) {
    QToolTip::hideText();
  } else if (viewport()->underMouse()) {
    QToolTip::showText(QCursor::pos(), text, viewport());
  }
  QStatusTipEvent tip(text);
  QCoreApplication::sendEvent(this, &tip);
}

void HypertextView::SetPrintHeader(PageDecorator header) { header_ = std::move(header); }

void HypertextView::SetPrintFooter(PageDecorator footer) { footer_ = std::move(footer); }

PrintLayout& HypertextView::LayoutFor(QPrinter& printer) {
  if (!print_layout_ || !print_layout_->Matches(printer)) {
    print_layout_ = std::make_unique<PrintLayout>(*document(), printer, this);
  }
  return *print_layout_;
}

int HypertextView::PrinterPageCount(QPrinter& printer) { return LayoutFor(printer).page_count(); }

void HypertextView::PrintPages(QPrinter& printer, int from, int to) {
  LayoutFor(printer).Print(printer, from, to, header_, footer_);
}

void HypertextView::mousePressEvent(QMouseEvent* event) {
  pressed_link_ =
      event->button() == Qt::LeftButton ? anchorAt(event->position().toPoint()) : QString();
  QTextBrowser::mousePressEvent(event);
}

void HypertextView::mouseReleaseEvent(QMouseEvent* event) {
  // A click on a link reaches Activate from inside the release handling,
  // with pressed_link_ still set.
  QTextBrowser::mouseReleaseEvent(event);
  pressed_link_.clear();
}

void HypertextView::mouseMoveEvent(QMouseEvent* event) {
  QTextBrowser::mouseMoveEvent(event);
  if (event->buttons() == Qt::NoButton) Hover(anchorAt(event->position().toPoint()));
}

bool HypertextView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    if (hint_shown_ && !hint_.isEmpty()) {
      QToolTip::showText(help->globalPos(), hint_, viewport());
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  if (event->type() == QEvent::Leave) Hover(QString());
  return QTextBrowser::viewportEvent(event);
}

void HypertextView::Hover(const QString& target) {
  if (target == hovered_link_) return;
  hovered_link_ = target;
  emit linkHovered(target);
}

void HypertextView::Activate(const QUrl& url) {
  // Qt hands the target over as a URL, which may re-encode it; the raw text
  // is the link under the press, or for a link chosen with the keyboard the
  // one the caret selects.
  QString target = pressed_link_;
  if (target.isEmpty()) target = textCursor().charFormat().anchorHref();
  if (target.isEmpty()) target = url.toString();
  bool handled = false;
  emit linkClicked(target, &handled);
  if (!handled) Follow(target);
}

void HypertextView::Follow(const QString& target) {
  if (target.startsWith('#')) {
    ScrollToAnchor(target);
    return;
  }
  const QUrl url = document()->baseUrl().resolved(QUrl(target));
  if (!url.isLocalFile()) {
    if (!url.scheme().isEmpty()) QDesktopServices::openUrl(url);
    return;
  }
  if (!QFileInfo::exists(url.toLocalFile())) return;
  LoadFromFile(url.toLocalFile(), url.fragment());
}

void PrintWithDialog(HypertextView& view, QPrinter& printer, QWidget* parent) {
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    QMessageBox::warning(parent, QStringLiteral("Tiparire"),
                         QStringLiteral("Nu este instalata nicio imprimanta."));
    return;
  }
  const int pages = view.PrinterPageCount(printer);
  QPrintDialog dialog(&printer, parent);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  dialog.setMinMax(1, pages);
  dialog.setFromTo(1, pages);
  if (dialog.exec() != QDialog::Accepted) return;
  // The dialog may have changed the paper; the range is clamped to the
  // pages the document takes on it.
  if (printer.printRange() == QPrinter::PageRange) {
    view.PrintPages(printer, printer.fromPage(), printer.toPage());
  } else {
    view.PrintPages(printer, 1, view.PrinterPageCount(printer));
  }
}

void ShowPrintPreview(HypertextView& view, QPrinter& printer, QWidget* parent) {
  QPrintPreviewDialog preview(&printer, parent);
  preview.setWindowTitle(QStringLiteral("Previzualizare"));
  QObject::connect(
      &preview, &QPrintPreviewDialog::paintRequested, &view,
      [&view](QPrinter* target) { view.PrintPages(*target, 1, view.PrinterPageCount(*target)); });
  // As large as the screen: a window manager maximises it, and without one
  // it still gets the screen's size.
  if (const QScreen* screen = (parent ? parent : &view)->screen()) {
    preview.setGeometry(screen->availableGeometry());
  }
  preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
  preview.exec();
}

}  // namespace hypertext
