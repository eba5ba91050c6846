#include "widgets/Form_List_Dialogue.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

Form_List_Dialogue::Form_List_Dialogue(QWidget *parent)
    : QDialog(parent)
    , List1(new QListWidget(this))
    , OKButton(new QPushButton(QStringLiteral("OK"), this))
    , CancelButton(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("Form_List_Dialogue"));
    setWindowTitle(QStringLiteral("Select Item"));
    List1->setObjectName(QStringLiteral("List1"));
    OKButton->setObjectName(QStringLiteral("OKButton"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    OKButton->setDefault(true);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(List1, 1);
    layout->addLayout(buttons);
    resize(420, 220);

    connect(OKButton, &QPushButton::clicked, this, &Form_List_Dialogue::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &Form_List_Dialogue::CancelButton_Click);
}

int Form_List_Dialogue::ItemSelected() const
{
    for (int row = 0; row < List1->count(); ++row) {
        if (List1->item(row)->isSelected())
            return row;
    }
    return -1;
}

void Form_List_Dialogue::OKButton_Click()
{
    // accept() hides the dialog and ends a modal run; the selection is left as it is.
    accept();
}

void Form_List_Dialogue::CancelButton_Click()
{
    List1->clearSelection();
    QDialog::reject();
}

void Form_List_Dialogue::reject() { CancelButton_Click(); }
