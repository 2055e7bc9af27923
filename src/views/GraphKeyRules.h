// Keys on the spectrum graph: which virtual key a Qt key press is, what the
// Spectrum view passes on to the main frame, what the main frame does with it,
// and the texts of the value editor.
#pragma once
#include <QString>

namespace GraphKeyRules {

// Virtual key codes used here.
constexpr int kVkReturn = 13;
constexpr int kVkLeft = 0x25;
constexpr int kVkUp = 0x26;
constexpr int kVkRight = 0x27;
constexpr int kVkDown = 0x28;
constexpr int kVkNumpad0 = 0x60;
constexpr int kVkAdd = 0x6B;
constexpr int kVkSubtract = 0x6D;
constexpr int kVkOemPlus = 0xBB;
constexpr int kVkOemMinus = 0xBD;

// The virtual key of a Qt key (keypad: the key came from the numeric pad); 0 when
// it has none here.
int VirtualKey(int qtKey, bool keypad);

// The key the Spectrum view posts with WM_GRAPH_KEY for a pressed virtual key
// (numeric-pad digits as '0'..'9', numeric-pad plus as Enter), or -1 when the
// view does not take the key.
int ViewPostedKey(int vk);

// What the main frame does with a key on a focused text of graph 0.
struct KeyAction {
    enum Kind { Ignore, StepDown, StepUp, OpenEditor } kind = Ignore;
    QString startText; // the editor's first text
};
KeyAction GraphKeyAction(int textIndex, int key);

// Value editor: label and unit of a text number (the level unit follows the
// power unit), and the two limit lines of the gain.
QString EditorLabel(int kind);
QString EditorUnit(int kind, int powerUnit);
QString EditorMinText(int levelMinTenths);
QString EditorMaxText(int levelMaxTenths);

} // namespace GraphKeyRules
