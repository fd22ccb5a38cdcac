// Node images: one small drawn icon for each kind of ImageList1.
#pragma once

#include <QIcon>
#include <string_view>

namespace zov::gui {

// The icon of a node kind; an empty icon for a kind not in the list.
QIcon IconForKind(std::string_view kind);

}  // namespace zov::gui
