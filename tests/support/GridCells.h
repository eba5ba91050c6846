#pragma once
#include "tables/grid/CellColours.h"
#include "tables/grid/FlexGrid.h"

// Marks a cell as edited, as a committed in-cell edit does.
inline void edit(FlexGrid &grid, int row, int col, const QString &text)
{
    grid.setTextMatrix(row, col, text);
    grid.setCellBackColorAt(row, col, CellColour::Pending);
}

// How many cells wait to be written.
inline int pendingCells(const FlexGrid &grid)
{
    int count = 0;
    for (int r = 1; r < grid.Rows(); ++r)
        for (int c = 1; c < grid.Cols(); ++c)
            count += grid.cellBackColorAt(r, c) == CellColour::Pending ? 1 : 0;
    return count;
}
