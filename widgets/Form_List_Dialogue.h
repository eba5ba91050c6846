#pragma once
#include <QDialog>

class QListWidget;
class QPushButton;

// "Select Item": the user picks one entry of List1. Its buttons hide it; the caller reads
// ItemSelected afterwards and unloads it.
class Form_List_Dialogue : public QDialog
{
    Q_OBJECT
public:
    explicit Form_List_Dialogue(QWidget *parent = nullptr);

    QListWidget *List1;
    QPushButton *OKButton;
    QPushButton *CancelButton;

    // Index (from 0) of the first selected entry; -1 when none is selected.
    int ItemSelected() const;

    // Hides the dialog; the selection stays.
    void OKButton_Click();
    // Deselects every entry and hides the dialog, so ItemSelected gives -1.
    void CancelButton_Click();

    // Esc and the close box count as Cancel.
    void reject() override;
};
