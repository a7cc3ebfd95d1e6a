// The commands of the main window: where each stands, its caption, its hint
// and what it needs to act. The main window builds its menus and toolbars
// from this table; the texts are the system's own and are used as they
// stand (Windows-1250 and ASCII are the same here).
//
// A command on the current act needs the act window last opened or
// activated (kCurrentAct), and some of them also need that window to be the
// active one (kActiveAct); without it they do nothing.
#ifndef CORVANA_VIEWER_SHELL_COMMANDS_H_
#define CORVANA_VIEWER_SHELL_COMMANDS_H_

#include <span>

namespace shell {

enum class Command {
  // menu "&Acte"
  kOpenAct,
  kStructure,
  kModSuffered,
  kModBrought,
  kActSheet,
  kPrint,
  kPrintModifications,
  kPrintPreview,
  kPrinterSetup,
  kExit,
  // menu "&Editare"
  kCopy,
  kHistory,
  kAddFavorite,  // submenu "&Favorite"
  kFavorites,
  kFindInText,
  // menu "&Filtrare"
  kFindAct,
  kFilter,
  kShowGrid,
  // menu "Optiuni"
  kOptions,
  kLanguage,
  kUpdate,
  // menu "Fe&restre"
  kToolbar,
  kTile,
  kCascade,
  kArrangeIcons,
  kCloseAll,
  // menu "A&jutor"
  kAssistant,
  kBonus,
  kAbout,
  // top toolbar only
  kBack,
  kForward,
};

enum class Needs { kNothing, kCurrentAct, kActiveAct };

struct MenuEntry {
  Command command;
  const char* menu;  // the menu's caption
  const char* caption;
  const char* hint;  // "" when the command has none
  Needs needs;
  bool separator_before = false;
  const char* submenu = nullptr;  // the caption of its submenu, if it is in one
};

struct ToolbarEntry {
  Command command;
  const char* caption;
  bool separator_after = false;
};

// The menu bar, menu by menu in order, each menu's items in order.
std::span<const MenuEntry> MenuEntries();
// The top toolbar, left to right.
std::span<const ToolbarEntry> ToolbarEntries();
// The menu entry of a command (every command but kBack and kForward has
// one); nullptr for those two.
const MenuEntry* FindMenuEntry(Command command);
// What the command needs to act, wherever it is started from.
Needs CommandNeeds(Command command);

// The items of the language submenu, in order, and the one checked at
// start; their texts without "&" are the filter window's language choices.
inline constexpr const char* kLanguageItems[] = {"(&oricare)", "&Romana", "&Maghiara"};
inline constexpr int kLanguageAtStart = 1;

}  // namespace shell

#endif  // CORVANA_VIEWER_SHELL_COMMANDS_H_
