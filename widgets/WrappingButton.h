#pragma once
#include <QPushButton>

// A push button whose caption breaks onto more lines at blanks when it is wider than the
// button, so the fixed-size buttons of the table windows show their whole caption (as
// "Save to Uncertainty DB" on a button 63 pixels wide). text() stays the caption as given.
class WrappingButton : public QPushButton
{
    Q_OBJECT
public:
    explicit WrappingButton(const QString &text, QWidget *parent = nullptr) : QPushButton(text, parent) {}

protected:
    void paintEvent(QPaintEvent *event) override;
};
