#include "views/GraphKeyRules.h"

#include <Qt>

#include "views/MeasureRules.h"

namespace GraphKeyRules {

int VirtualKey(int qtKey, bool keypad) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? kVkNumpad0 + (qtKey - Qt::Key_0) : '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 'A' + (qtKey - Qt::Key_A);
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kVkReturn;
    case Qt::Key_Left:
        return kVkLeft;
    case Qt::Key_Up:
        return kVkUp;
    case Qt::Key_Right:
        return kVkRight;
    case Qt::Key_Down:
        return kVkDown;
    case Qt::Key_Plus:
        return keypad ? kVkAdd : kVkOemPlus;
    case Qt::Key_Equal: // the plus key of the main keyboard, unshifted
        return kVkOemPlus;
    case Qt::Key_Minus:
        return keypad ? kVkSubtract : kVkOemMinus;
    default:
        return 0;
    }
}

int ViewPostedKey(int vk) {
    if (vk == kVkReturn || (vk >= kVkLeft && vk <= kVkDown) || (vk >= '0' && vk <= '9') ||
        vk == kVkSubtract || vk == kVkOemMinus)
        return vk;
    if (vk >= kVkNumpad0 && vk <= kVkNumpad0 + 9)
        return vk - 48;
    if (vk == kVkAdd)
        return kVkReturn;
    return -1;
}

KeyAction GraphKeyAction(int textIndex, int key) {
    using MeasureRules::kTextGain;
    using MeasureRules::kTextYMax;
    using MeasureRules::kTextYMin;
    if (key == kVkLeft || key == kVkDown)
        return {KeyAction::StepDown, {}};
    if (key == kVkUp || key == kVkRight)
        return {KeyAction::StepUp, {}};
    const bool editable = textIndex == kTextYMin || textIndex == kTextYMax || textIndex == kTextGain;
    if (!editable)
        return {};
    if (key == kVkReturn || key == kVkAdd || key == kVkOemPlus)
        return {KeyAction::OpenEditor, {}};
    if (key >= '0' && key <= '9')
        return {KeyAction::OpenEditor, QString::number(key - '0')};
    if (key == kVkSubtract || key == kVkOemMinus)
        return {KeyAction::OpenEditor, textIndex == kTextGain ? QStringLiteral("-") : QString()};
    return {};
}

QString EditorLabel(int kind) {
    switch (kind) {
    case -1:
        return QStringLiteral("Value");
    case 0:
        return QStringLiteral("X Min");
    case 1:
        return QStringLiteral("X Max");
    case 2:
        return QStringLiteral("Y Min");
    case 3:
        return QStringLiteral("Y Max");
    case 5:
        return QStringLiteral("X Gap");
    case 7:
        return QStringLiteral("Y Center");
    case 8:
        return QStringLiteral("Y Gap");
    case 9:
        return QStringLiteral("Gain");
    default:
        return QStringLiteral("Invalide");
    }
}

QString EditorUnit(int kind, int powerUnit) {
    switch (kind) {
    case -1:
        return QStringLiteral("Unit");
    case 0:
    case 1:
    case 5:
        return QStringLiteral("Hz");
    case 2:
    case 3:
    case 7:
    case 8:
        // The graph's levels are in the current unit, so the typed number is too.
        return QString::fromLatin1(MeasureRules::PowerUnitText(powerUnit));
    case 9:
        return QStringLiteral("dB");
    default:
        return QStringLiteral("Invalide");
    }
}

QString EditorMinText(int levelMinTenths) {
    return QStringLiteral("(Min: %1 dB)").arg(levelMinTenths / 10.0, 0, 'f', 1);
}

QString EditorMaxText(int levelMaxTenths) {
    return QStringLiteral("(Max: %1 dB, Step: 0.1dB)").arg(levelMaxTenths / 10.0, 0, 'f', 1);
}

} // namespace GraphKeyRules
