#pragma once

#include <QAccessibleWidget>

class ClickLabel;

// What assistive tools see of a ClickLabel: a push button that can be
// pressed. Its name is the accessible name when one is set, else the text
// it shows; its description is the label's accessible description.
class ClickLabelAccessible : public QAccessibleWidget {
public:
    explicit ClickLabelAccessible(ClickLabel* label);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    ClickLabel* label() const;
};

// Makes every ClickLabel report through ClickLabelAccessible; installs the
// factory once, however often it is called.
void installClickLabelAccessible();
