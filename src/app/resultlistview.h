#pragma once

#include "results/resultlist.h"

#include <QColor>

#include <array>

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QWidget;

namespace norvel {

class FlexGrid;

// The result list as the window shows it: the grid of rows, the correction box with the latest width, the
// measured-values menu with the last six rows, and the copy buttons. It only shows the list; what is typed into the
// correction box reaches the list through the window's handler.
class ResultListView {
public:
    struct Controls {
        QLineEdit* correction = nullptr; // shows the latest width
        QMenu* measured = nullptr; // its title shows the latest width
        std::array<QAction*, 6> recent {}; // the last six rows
        std::array<QPushButton*, 2> copy {};
    };

    // The grid is made at once, in parent; the other controls come with attach, after which the view follows list.
    ResultListView(ResultList& list, QWidget* parent);
    void attach(const Controls& controls);

    [[nodiscard]] FlexGrid* grid() const { return MSFlexGrid2; }

    // The measured-values menu refreshed from the list: at most the last six rows; an empty list blanks the first
    // item and hides the others, and items past the rows listed keep their captions.
    void SodDt();
    // A width in the correction box: one the list holds, or one measured where the list has no row to take it.
    void showWidth(const QString& width, const QColor& background);
    // The correction box and the menu's title without a figure.
    void clearShownWidth();
    // The menu's title after an analysis across the crack that found none, until its next refresh.
    void showNothingFound();

private:
    void show(const ResultChange& change);
    void showRows();
    void setCorrectionBackground(const QColor& color);
    void enableCopy(bool enabled);

    ResultList& m_list;
    FlexGrid* MSFlexGrid2 = nullptr;
    Controls m_controls;
};

} // namespace norvel
