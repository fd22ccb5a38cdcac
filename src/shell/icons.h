// Node images: one small drawn icon for each kind of ImageList1.
#pragma once

#include <QIcon>
#include <string_view>

namespace zov::gui {

// The icon of a node kind; an empty icon for a kind not in the list.
QIcon IconForKind(std::string_view kind);
// The kind's icon with a mark in its corner that shows a node's state by
// its shape, not its colour alone: a check for a level selected, "!" for
// weights to be checked, a cross for a leaf the coverage left out, a dot for
// a leaf of the selection, an arrow for a start or stop level. The icon
// alone for a state without a mark (state as NodeStateText words it).
QIcon IconForKindAndState(std::string_view kind, std::string_view state);

}  // namespace zov::gui
