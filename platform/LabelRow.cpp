#include "platform/LabelRow.h"

#include "platform/PrunedAccessible.h"

LabelRow::LabelRow(QWidget* parent)
    : QWidget(parent)
{
    installPrunedAccessible<LabelRow, QAccessible::ListItem, hidesEveryChild<LabelRow>>();
}
