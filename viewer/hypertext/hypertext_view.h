// The hypertext component: shows the viewer's HTML pages (act pages,
// modification pages, help pages), hands their links and pictures to the
// window that hosts it, finds text, and prints with a header and a footer
// drawn by the host on every page.
//
// It is Qt's rich-text browser with Qt's own link following switched off:
// a link reaches the host with its target exactly as the page wrote it,
// blanks and all, because act windows read act keys out of targets such as
// "# OUG GUV 34 2006". Links the host leaves unhandled are followed here.
#ifndef CORVANA_VIEWER_HYPERTEXT_HYPERTEXT_VIEW_H_
#define CORVANA_VIEWER_HYPERTEXT_HYPERTEXT_VIEW_H_

#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QPrinter;

namespace hypertext {

class PrintLayout;

// Windows-1250 text to a Qt string and back: the viewer's texts cross into
// Qt here and nowhere else.
QString FromCp1250(std::string_view text);
std::string ToCp1250(const QString& text);

// Screen pixels (96 per inch) in the device pixels of what `painter` paints
// on: page headers and footers place their text in screen pixels.
int ScreenPixels(const QPainter& painter, int pixels);

class HypertextView : public QTextBrowser {
  Q_OBJECT

 public:
  explicit HypertextView(QWidget* parent = nullptr);
  ~HypertextView() override;

  // --- Documents ---

  // A page held in memory, in Windows-1250. It replaces the document and
  // leaves the history alone; the caret goes to the top.
  void LoadFromMemory(std::string_view html);
  // A page file, in Windows-1250 unless its bytes are UTF-8, scrolled to
  // `anchor` when given; relative links and pictures resolve against it.
  // It becomes the newest history page. Throws std::runtime_error naming
  // the file when it cannot be read.
  void LoadFromFile(const QString& path, const QString& anchor = {});

  // --- Position ---

  // A named anchor of the page ("<a name=...>"): its name, and the position
  // in the document of the text that follows it. The view keeps these
  // itself rather than in Qt's character formats, whose collection compares
  // each format with anchor names to every earlier one: on a page with
  // thousands of anchors (parts, search hits), that was a good part of the
  // time it took to read the page in.
  struct Anchor {
    QString name;
    int position = 0;
  };
  // In the order of the page; a name may stand more than once.
  const std::vector<Anchor>& anchors() const { return anchors_; }

  // Scrolls so that the named anchor (its first occurrence) stands at the
  // top ("#12" or "12"); a name the page does not have goes to the top.
  // Before the view is first shown, the scroll waits for the showing. Until
  // the page is scrolled otherwise, the anchor stays at the top when a new
  // size of the view lays the page out anew (as a window opening maximized
  // does right after it is shown).
  void ScrollToAnchor(const QString& name);
  void ScrollToPosition(int y);
  int ScrollPosition() const;
  // The largest scroll position; 0 when the page fits in the view.
  int ScrollRange() const;

  // --- History of visited page files (none unless a limit is set) ---

  // Keeps at most `pages` pages; 0 keeps none.
  void SetHistoryLimit(int pages);
  // Each returns false, changing nothing, when there is no such page.
  bool Back();
  bool Forward();

  // --- Selection and finding ---

  // The number of characters selected.
  int SelectionLength() const;
  void CopySelection();
  // Looks for `text` from the caret on. On success selects the match, moves
  // the caret to its end and, when the match is out of sight or less than
  // 20 pixels above the bottom edge, scrolls it to the middle of the view.
  bool FindForward(const QString& text, bool match_case);

  // --- Pictures ---

  // Answers the source text of an image tag (as written, blanks and all)
  // with the picture file's bytes, or nothing; without a source, pictures
  // load as files relative to the page. A picture that is missing or cannot
  // be decoded shows as a placeholder. Each source is asked once per page.
  using PictureSource = std::function<std::optional<std::string>(const QString& source)>;
  void SetPictureSource(PictureSource source);

  // --- Hint ---

  // The view's own hint: shown beside the pointer and passed on as the
  // status tip while it is switched on.
  void SetHint(const QString& text);
  void SetHintShown(bool shown);
  const QString& hint() const { return hint_; }
  bool hint_shown() const { return hint_shown_; }

  // --- Printing ---

  // Draws on the band of a printed page above or below its text. `area` is
  // in the printer's device pixels; `page` counts from 1 up to `pages`, the
  // number of pages the document takes on that paper.
  using PageDecorator =
      std::function<void(QPainter& painter, const QRect& area, int page, int pages)>;
  void SetPrintHeader(PageDecorator header);
  void SetPrintFooter(PageDecorator footer);

  // The pages the document takes on `printer`'s paper.
  int PrinterPageCount(QPrinter& printer);
  // Prints pages `from` to `to` (from 1; clamped to the document's pages),
  // each with its header and footer.
  void PrintPages(QPrinter& printer, int from, int to);

  QVariant loadResource(int type, const QUrl& name) override;

 signals:
  // A link was clicked. A slot that acts on it sets *handled; an unhandled
  // link is followed by the view: an anchor of the page is scrolled to, a
  // page file is loaded, an address goes to the desktop.
  void linkClicked(const QString& target, bool* handled);
  // The pointer came over a link, or left it (empty target).
  void linkHovered(const QString& target);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Page {
    QString path;
    int position = 0;
  };

  void Activate(const QUrl& url);
  void Follow(const QString& target);
  void ShowFile(const QString& path, const QString& anchor);
  void SetPage(QString html);
  void RemoveMarks(bool paragraph_marks, const QStringList& anchor_names);
  void ScrollToPinnedAnchor();
  void Hover(const QString& target);
  PrintLayout& LayoutFor(QPrinter& printer);

  QString pressed_link_;  // the link under the last press of the left button
  QString hovered_link_;
  QString hint_;
  bool hint_shown_ = false;
  PictureSource picture_source_;
  int history_limit_ = 0;
  std::vector<Page> history_;
  size_t history_index_ = 0;  // the page shown, when history_ is not empty
  std::vector<Anchor> anchors_;
  // The anchor last scrolled to, and the scroll position it was given; -1
  // until the view is shown. Empty once the page is scrolled otherwise.
  QString pinned_anchor_;
  int pinned_position_ = -1;
  PageDecorator header_;
  PageDecorator footer_;
  std::unique_ptr<PrintLayout> print_layout_;
};

// Prints `view` through the print dialog: the page range offered is all
// the pages the document takes on `printer`, printing to a file is not
// offered, and without any printer installed the user is told so and
// nothing is printed.
void PrintWithDialog(HypertextView& view, QPrinter& printer, QWidget* parent);

// The print-preview window of `view` on `printer`: every page with its
// header and footer. Modal; returns when the user closes it.
void ShowPrintPreview(HypertextView& view, QPrinter& printer, QWidget* parent);

}  // namespace hypertext

#endif  // CORVANA_VIEWER_HYPERTEXT_HYPERTEXT_VIEW_H_
