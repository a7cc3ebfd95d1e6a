// The modifications viewer of the results panel (`HTMLViewer2`): the page
// of modifications suffered or brought by the act selected in the results
// grid. Pointing at a link names the part or act it leads to; a click shows
// it in an act window, scrolling the current one when it already shows that
// act instead of opening a second. It prints with a header and footer of
// its own.
#ifndef CORVANA_VIEWER_FINDING_MODIFICATIONS_VIEW_H_
#define CORVANA_VIEWER_FINDING_MODIFICATIONS_VIEW_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "viewer/finding/act_modifications.h"
#include "viewer/hypertext/hypertext_view.h"

namespace finding {

// What the viewer asks of the rest of the program.
struct ModificationsHost {
  // The IdAct of the current record of the acts result; nullopt when the
  // result is empty.
  std::function<std::optional<int64_t>()> selected_act;
  // The act shown by the current act window, when there is one.
  std::function<std::optional<int64_t>()> shown_act;
  // Scrolls the current act window to an anchor ("#" + part id).
  std::function<void(const std::string& anchor)> scroll_shown_act;
  // `actopen`: a new act window for the act, scrolled to the anchor (none
  // when empty).
  std::function<void(int64_t act_id, const std::string& anchor)> open_act;
};

class ModificationsView : public hypertext::HypertextView {
  Q_OBJECT

 public:
  // The results panel's views that show a page.
  static constexpr int kSufferedView = 2;
  static constexpr int kBroughtView = 3;

  ModificationsView(ModificationReader& reader, ModificationsHost host,
                    QWidget* parent = nullptr);

  // Builds both pages of the selected act, then shows the page of `view`
  // (kSufferedView or kBroughtView).
  void ShowPage(int view);

  // The act of the pages last built (act_id 0 before the first build or
  // when no act was selected).
  const ActModifications& act() const { return act_; }
  const std::vector<std::string>& suffered_page() const { return suffered_; }
  const std::vector<std::string>& brought_page() const { return brought_; }

  // What a click on the link `target` does; the view calls it for its own
  // clicks.
  void FollowLink(const QString& target);

  // Prints the page shown through the print dialog, each page headed by
  // the title of its act and numbered at its foot.
  void Print(QPrinter& printer);

 private:
  void ShowLinkHint(const QString& target);

  ModificationReader& reader_;
  ModificationsHost host_;
  ActModifications act_;
  std::vector<std::string> suffered_;
  std::vector<std::string> brought_;
};

}  // namespace finding

#endif  // CORVANA_VIEWER_FINDING_MODIFICATIONS_VIEW_H_
