#pragma once

#include <QHash>
#include <QList>
#include <QWidget>

class QMenu;
class QMenuBar;

namespace norvel {

// Splits menu bar items of the given widths, in order, into rows: a row takes items while their widths and the
// spacing between them fit in the available pixels; an item wider than a whole row gets a row of its own; an item
// of no width (hidden, or without a caption) stays on the row it follows. Returns the number of items on each
// row; there is always at least one row.
[[nodiscard]] QList<int> wrapMenuItems(const QList<int>& widths, int available, int spacing);

// A menu bar that wraps onto further rows, as the classic Windows menu bar does, where QMenuBar would hide the
// items that do not fit behind its extension button. The top-level items are this widget's own actions, in
// order; each row is a QMenuBar of its own holding some of them. Captions may change at any time: the rows
// follow, and rowCountChanged tells the window that the bar wants another height (heightForWidth).
class WrappingMenuBar : public QWidget {
    Q_OBJECT

public:
    explicit WrappingMenuBar(QWidget* parent = nullptr);
    ~WrappingMenuBar() override;

    // A new menu owned by the bar, added as its last item.
    QMenu* addMenu(const QString& title);

    [[nodiscard]] int rowCount() const { return static_cast<int>(m_rowLengths.size()); }
    [[nodiscard]] QMenuBar* row(int index) const { return m_rows.value(index); }
    [[nodiscard]] int rowHeight() const;

    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;
    // The narrowest width that shows every item on one row.
    [[nodiscard]] QSize sizeHint() const override;

Q_SIGNALS:
    void rowCountChanged(int rows);

protected:
    void actionEvent(QActionEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] QList<int> itemWidths() const;
    [[nodiscard]] int itemSpacing() const;
    // The pixels of a row that are not item: QMenuBar's frame, margin and the spacing before the first item.
    [[nodiscard]] int rowOverhead() const;
    [[nodiscard]] QMenuBar* newRowBar();
    void arrange();

    // Never shown: holds every item on one line, so that QMenuBar itself tells each item's width.
    QMenuBar* m_measure = nullptr;
    QList<QMenuBar*> m_rows; // the bars beyond rowCount() are hidden and empty, kept for reuse
    QList<int> m_rowLengths;
    // Measured widths of visible items by caption: a caption that changes with every shot (the status item) would
    // otherwise have QMenuBar measure every item anew each time.
    mutable QHash<QString, int> m_widthByCaption;
    mutable int m_rowHeight = -1; // measured when first needed
};

} // namespace norvel
