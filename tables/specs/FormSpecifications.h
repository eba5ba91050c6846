#pragma once
#include "tables/specs/SpecTableEditor.h"

// "Specifications": the meter's specification table ("ps", "Ws", "WS", information slot 05,
// *.spec files, adds records to the uncertainty database).
class FormSpecifications : public SpecTableEditor
{
    Q_OBJECT
public:
    explicit FormSpecifications(QWidget *parent = nullptr) : SpecTableEditor(SpecTable::specifications(), parent) {}
};
