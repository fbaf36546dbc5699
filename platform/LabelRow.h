#pragma once

#include <QWidget>

// A row of labels, its children, that assistive tools read as one list item
// by the row's accessible name rather than label by label. The row itself
// draws nothing and takes no input of its own.
class LabelRow : public QWidget {
    Q_OBJECT
public:
    explicit LabelRow(QWidget* parent);
};
