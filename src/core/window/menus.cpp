#include "window/menus.h"

#include <cctype>
#include <stdexcept>

namespace zov {

namespace {

struct Row {
  const char* name;
  const char* caption;
  bool enabled;
};

struct MenuRow {
  const char* name;
  const char* caption;
  bool enabled;
  bool popup;
  std::vector<Row> items;
};

const std::vector<MenuRow>& StartState() {
  static const std::vector<MenuRow> rows = {
      {"m_file",
       "&FILE",
       true,
       false,
       {{"m_undo", "&Undo", false},
        {"m_redo", "&Redo", false},
        {"m_caricazov", "Load &ZOV File", true},
        {"m_savezov", "&Save ZOV File", true},
        {"mnSaveZovAs", "Save ZOV File &As...", true},
        {"m_caricamdl", "Load &MDL File", true},
        {"mnRequirements", "Re&quirements...", true},
        {"mnResults", "Resul&ts...", true},
        {"m_esporta", "&Export Documents and Scripts...", false},
        {"m_cartella", "Open &Working Folder", true},
        {"m_uscita", "E&XIT", true}}},
      {"m_zov",
       "&ZOV TEST",
       true,
       false,
       {{"mnApri", "Expand &Main Tree", true}, {"mnApriDesignTree", "Expand &Design Tree", true}}},
      {"m_uit",
       "&UIT",
       false,
       false,
       {{"m_nonconnessi", "Loading &NOT Linked", false},
        {"m_seqfromzov", "Loading from &ZOV tree", true},
        {"m_loadingDT", "Loading from &Design Tree", true},
        {"m_elencaseq", "Loading all &Sequence", false},
        {"m_selectall", "&Select All", false},
        {"m_unselectall", "&Unselect All", false},
        {"m_expand", "&Expand All", false},
        {"m_collapse", "&Collapse All", false},
        {"m_grafico", "Usage C&hart...", false}}},
      {"m_testcase", "Test &Case Generation", false, false, {{"m_generazione", "&Processing...", false}}},
      {"m_testscript",
       "Test &Procedure Generation",
       false,
       false,
       {{"m_selectedtest", "&Selected Test Cases", false},
        {"m_alltestcases", "&All Test Cases", true},
        {"mnuTestSc", "&Visualize Test Scripts", false},
        {"mnPlanReport", "Plan &Report...", false},
        {"mnStrength", "Coverage S&trength...", true}}},
      {"m_print",
       "P&rint",
       true,
       false,
       {{"mnuPrintTC", "Test &Cases List", true}, {"mnuPrintTS", "Test &Scripts List", true}}},
      {"mnuFile",
       "prova",
       true,
       true,
       {{"mnAggiungi", "&Add", false},
        {"mnModifica", "&Modify", true},
        {"mnCancella", "&Delete", false},
        {"mnSeleziona", "&Select Level", true},
        {"mnStart", "Select ST&ART Node", true},
        {"mnVEntry", "See All &Entry", false},
        {"mnVLink", "See All &Link", false}}},
      {"m_popupA",
       "popupA",
       true,
       true,
       {{"m_popupAspec", "&Specifications..", true},
        {"m_popupAadd", "&Add ", false},
        {"m_popupArem", "&Remove", false}}},
      {"m_popupSel", "popupSel", true, true, {{"m_popupSelrem", "&Remove", true}}},
      {"m_popupUit", "popupUit", true, true, {{"m_popupUitAdd", "&Add to the Selected Test Cases", true}}},
      {"mnudes", "menudesign", true, true, {}},
  };
  return rows;
}

}  // namespace

std::string WithoutAccessKey(std::string_view caption) {
  std::string text;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  return text;
}

char AccessKey(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
    ++i;
  }
  return 0;
}

MenuState::MenuState() {
  for (const auto& m : StartState()) {
    index_.emplace(m.name, entries_.size());
    entries_.push_back({m.name, m.caption, m.enabled, "", m.popup});
    for (const auto& item : m.items) {
      index_.emplace(item.name, entries_.size());
      entries_.push_back({item.name, item.caption, item.enabled, m.name, m.popup});
    }
  }
}

const MenuEntry* MenuState::find(std::string_view name) const {
  auto it = index_.find(std::string(name));
  return it == index_.end() ? nullptr : &entries_[it->second];
}

MenuEntry& MenuState::entry(std::string_view name) {
  auto it = index_.find(std::string(name));
  if (it == index_.end()) throw std::out_of_range("no menu entry " + std::string(name));
  return entries_[it->second];
}

bool MenuState::enabled(std::string_view name) const {
  const MenuEntry* e = find(name);
  return e != nullptr && e->enabled;
}

const std::string& MenuState::caption(std::string_view name) const {
  static const std::string none;
  const MenuEntry* e = find(name);
  return e == nullptr ? none : e->caption;
}

void MenuState::setEnabled(std::string_view name, bool enabled) {
  MenuEntry& e = entry(name);
  if (e.enabled == enabled) return;
  e.enabled = enabled;
  if (onChange) onChange(e.name);
}

void MenuState::setCaption(std::string_view name, std::string_view caption) {
  MenuEntry& e = entry(name);
  if (e.caption == caption) return;
  e.caption = std::string(caption);
  if (onChange) onChange(e.name);
}

std::vector<const MenuEntry*> MenuState::items(std::string_view menu) const {
  std::vector<const MenuEntry*> result;
  for (const auto& e : entries_)
    if (e.parent == menu) result.push_back(&e);
  return result;
}

}  // namespace zov
