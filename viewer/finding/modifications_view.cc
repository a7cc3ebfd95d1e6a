#include "viewer/finding/modifications_view.h"

#include <QMessageBox>
#include <exception>

#include "viewer/finding/modification_pages.h"
#include "viewer/viewing/page_decorations.h"

namespace finding {

ModificationsView::ModificationsView(ModificationReader& reader, ModificationsHost host,
                                     QWidget* parent)
    : hypertext::HypertextView(parent), reader_(reader), host_(std::move(host)) {
  connect(this, &HypertextView::linkHovered, this, &ModificationsView::ShowLinkHint);
  connect(this, &HypertextView::linkClicked, this, [this](const QString& target, bool* handled) {
    *handled = true;
    try {
      FollowLink(target);
    } catch (const std::exception& e) {
      QMessageBox::critical(this, QStringLiteral("Corvana"), QString::fromUtf8(e.what()));
    }
  });
  SetPrintHeader([this](QPainter& painter, const QRect& area, int, int) {
    viewing::DrawPageHeader(painter, area, hypertext::FromCp1250(act_.title));
  });
  SetPrintFooter([](QPainter& painter, const QRect& area, int page, int) {
    viewing::DrawModificationsFooter(painter, area, page);
  });
}

void ModificationsView::Print(QPrinter& printer) {
  hypertext::PrintWithDialog(*this, printer, window());
}

void ModificationsView::ShowPage(int view) {
  const std::optional<int64_t> selected = host_.selected_act();
  act_ = selected ? reader_.Read(*selected) : ActModifications{};
  suffered_ = BuildModPe(act_);
  brought_ = BuildModDe(act_);
  LoadFromMemory(PageText(view == kBroughtView ? brought_ : suffered_));
}

void ModificationsView::ShowLinkHint(const QString& target) {
  const std::optional<ModLink> link = ReadModLink(hypertext::ToCp1250(target));
  if (!link) {
    SetHint({});
    SetHintShown(false);
    return;
  }
  try {
    SetHint(hypertext::FromCp1250(ModLinkHint(reader_, *link, act_)));
  } catch (const std::exception& e) {
    SetHint(QString::fromUtf8(e.what()));  // what went wrong, where the hint would stand
  }
  SetHintShown(true);
}

void ModificationsView::FollowLink(const QString& target) {
  const std::optional<ModLink> link = ReadModLink(hypertext::ToCp1250(target));
  if (!link) return;
  const std::optional<ModLinkTarget> to = ResolveModLink(reader_, *link, act_);
  if (!to) return;
  if (host_.shown_act() == to->act_id) {
    // The act is on screen already: an act link has nothing more to show.
    if (!to->anchor.empty()) host_.scroll_shown_act(to->anchor);
    return;
  }
  host_.open_act(to->act_id, to->anchor);
}

}  // namespace finding
