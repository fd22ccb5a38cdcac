// Keyboard focus made visible on the controls whose style draws none of its
// own: lists, trees and text views (empty, or with no current item), text
// labels, the default push button. A frame in the palette's highlight
// colour follows the control that has the keyboard.
#pragma once

namespace zov::gui {

// Called once, after the application exists.
void ShowKeyboardFocus();

}  // namespace zov::gui
