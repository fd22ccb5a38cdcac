// The menu bar and pop-up menus of the main window as data: every menu and
// item with its name, caption and enabled flag. The window reflects this
// state; the enabling rules change it, so they can be tested headless.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zov {

// A caption as messages name it: without the '&' of the access key ("&&"
// stands for one '&').
std::string WithoutAccessKey(std::string_view caption);
// The access key of a caption, upper-cased; 0 when it has none.
char AccessKey(std::string_view caption);

struct MenuEntry {
  std::string name;     // m_file, m_caricamdl, mnSeleziona ...
  std::string caption;  // with '&' before the access key
  bool enabled = true;
  std::string parent;  // the menu an item belongs to; empty for a menu
  bool popup = false;  // a pop-up menu, never shown in the menu bar
};

class MenuState {
 public:
  MenuState();  // every menu and item in its start state

  // Menus and items in order: each menu followed by its items.
  const std::vector<MenuEntry>& entries() const { return entries_; }
  const MenuEntry* find(std::string_view name) const;
  bool has(std::string_view name) const { return find(name) != nullptr; }

  bool enabled(std::string_view name) const;
  const std::string& caption(std::string_view name) const;
  void setEnabled(std::string_view name, bool enabled);
  void setCaption(std::string_view name, std::string_view caption);

  // The items of a menu, in order.
  std::vector<const MenuEntry*> items(std::string_view menu) const;

  // Called with the entry's name after each change of caption or flag.
  std::function<void(const std::string&)> onChange;

 private:
  MenuEntry& entry(std::string_view name);
  std::vector<MenuEntry> entries_;
  std::unordered_map<std::string, std::size_t> index_;
};

// Menu and item names.
namespace menu {
inline constexpr std::string_view kFile = "m_file";
inline constexpr std::string_view kUndo = "m_undo";
inline constexpr std::string_view kRedo = "m_redo";
inline constexpr std::string_view kCaricaZov = "m_caricazov";
inline constexpr std::string_view kSaveZov = "m_savezov";
inline constexpr std::string_view kSaveZovAs = "mnSaveZovAs";
inline constexpr std::string_view kCaricaMdl = "m_caricamdl";
inline constexpr std::string_view kRequirements = "mnRequirements";
inline constexpr std::string_view kResults = "mnResults";
inline constexpr std::string_view kUscita = "m_uscita";
inline constexpr std::string_view kEsporta = "m_esporta";
inline constexpr std::string_view kCartella = "m_cartella";
inline constexpr std::string_view kZov = "m_zov";
inline constexpr std::string_view kApri = "mnApri";
inline constexpr std::string_view kApriDesignTree = "mnApriDesignTree";
inline constexpr std::string_view kUit = "m_uit";
inline constexpr std::string_view kNonConnessi = "m_nonconnessi";
inline constexpr std::string_view kSeqFromZov = "m_seqfromzov";
inline constexpr std::string_view kLoadingDT = "m_loadingDT";
inline constexpr std::string_view kElencaSeq = "m_elencaseq";
inline constexpr std::string_view kSelectAll = "m_selectall";
inline constexpr std::string_view kUnselectAll = "m_unselectall";
inline constexpr std::string_view kExpand = "m_expand";
inline constexpr std::string_view kCollapse = "m_collapse";
inline constexpr std::string_view kGrafico = "m_grafico";
inline constexpr std::string_view kTestCase = "m_testcase";
inline constexpr std::string_view kGenerazione = "m_generazione";
inline constexpr std::string_view kTestScript = "m_testscript";
inline constexpr std::string_view kSelectedTest = "m_selectedtest";
inline constexpr std::string_view kAllTestCases = "m_alltestcases";
inline constexpr std::string_view kTestSc = "mnuTestSc";
inline constexpr std::string_view kPlanReport = "mnPlanReport";
inline constexpr std::string_view kStrength = "mnStrength";
inline constexpr std::string_view kPrint = "m_print";
inline constexpr std::string_view kPrintTC = "mnuPrintTC";
inline constexpr std::string_view kPrintTS = "mnuPrintTS";
// Pop-up of the Main Tree.
inline constexpr std::string_view kPopupFile = "mnuFile";
inline constexpr std::string_view kAggiungi = "mnAggiungi";
inline constexpr std::string_view kModifica = "mnModifica";
inline constexpr std::string_view kCancella = "mnCancella";
inline constexpr std::string_view kSeleziona = "mnSeleziona";
inline constexpr std::string_view kStart = "mnStart";
inline constexpr std::string_view kVEntry = "mnVEntry";
inline constexpr std::string_view kVLink = "mnVLink";
// Pop-up of the Test Specification tree.
inline constexpr std::string_view kPopupA = "m_popupA";
inline constexpr std::string_view kPopupASpec = "m_popupAspec";
inline constexpr std::string_view kPopupAAdd = "m_popupAadd";
inline constexpr std::string_view kPopupARem = "m_popupArem";
// Pop-up of the selected test cases.
inline constexpr std::string_view kPopupSel = "m_popupSel";
inline constexpr std::string_view kPopupSelRem = "m_popupSelrem";
inline constexpr std::string_view kPopupDesign = "mnudes";
// Pop-up of the UIT tree: the keyboard's way to pick a test case.
inline constexpr std::string_view kPopupUit = "m_popupUit";
inline constexpr std::string_view kPopupUitAdd = "m_popupUitAdd";

inline constexpr std::string_view kCaptionSelectLevel = "&Select Level";
inline constexpr std::string_view kCaptionUnselectAll = "&Unselect All";
inline constexpr std::string_view kCaptionSelectStart = "Select ST&ART Node";
inline constexpr std::string_view kCaptionSelectStop = "Select ST&OP Node";
}  // namespace menu

}  // namespace zov
