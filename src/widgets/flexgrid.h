#pragma once

#include <QColor>
#include <QString>
#include <QTableWidget>

namespace norvel {

// A grid of text cells in the manner the program's result lists need: fixed (header) rows and columns
// drawn as grey cells inside the grid, a settable row and column count, column widths in twips, a current
// row and column, a first visible row and a background colour per cell. Rows and columns count from 0 and
// include the fixed ones. A new grid starts like the classic control: 2×2 cells, one fixed row and column,
// current cell (1, 1).
class FlexGrid : public QTableWidget {
    Q_OBJECT

public:
    explicit FlexGrid(QWidget* parent = nullptr);

    [[nodiscard]] int rows() const;
    void setRows(int count); // cells of removed rows are gone; added rows are empty
    [[nodiscard]] int cols() const;
    void setCols(int count);
    [[nodiscard]] int fixedRows() const;
    void setFixedRows(int count);
    [[nodiscard]] int fixedCols() const;
    void setFixedCols(int count);

    [[nodiscard]] QString textMatrix(int row, int col) const; // empty outside the grid
    void setTextMatrix(int row, int col, const QString& text); // ignored outside the grid

    // The current cell, independent of any selection the user makes with the mouse.
    [[nodiscard]] int row() const;
    void setRow(int row);
    [[nodiscard]] int col() const;
    void setCol(int col);
    [[nodiscard]] QString text() const; // of the current cell
    void setText(const QString& text);

    [[nodiscard]] int colWidthTwips(int col) const;
    void setColWidthTwips(int col, int twips); // 15 twips per pixel

    [[nodiscard]] int topRow() const; // first visible non-fixed row
    void setTopRow(int row);

    [[nodiscard]] QColor cellBackColor(int row, int col) const;
    void setCellBackColor(int row, int col, const QColor& color);

protected:
    void updateGeometries() override;

private:
    [[nodiscard]] bool contains(int row, int col) const;
    [[nodiscard]] bool isFixed(int row, int col) const;
    [[nodiscard]] Qt::ItemFlags flagsFor(int row, int col) const;
    QTableWidgetItem* cellAt(int row, int col); // creates a missing item; null outside the grid
    void fillCells(int firstRow, int firstCol);
    void applyCellFlags();
    void syncFrozenRows();
    void keepWholeTopRow();

    int m_fixedRows = 0;
    int m_fixedCols = 0;
    int m_row = 0;
    int m_col = 0;
    QList<int> m_twips; // per column; -1 where never set
    QTableView* m_frozen = nullptr;
};

} // namespace norvel
