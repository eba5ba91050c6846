#pragma once
#include "tables/specs/SpecTableEditor.h"

// "Imported Uncertainties": the meter's table of imported uncertainties ("pi", "Wi", "WI",
// information slot 04, *.uncert files, fills the laboratory columns of the uncertainty
// database's records).
class FormImportedUncerts : public SpecTableEditor
{
    Q_OBJECT
public:
    explicit FormImportedUncerts(QWidget *parent = nullptr) : SpecTableEditor(SpecTable::importedUncertainties(), parent) {}
};
