#include "widgets/wrappingmenubar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QActionEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

#include <algorithm>

namespace norvel {

namespace {

// The pixels a row of these items takes: their widths and the spacing between those that are laid out.
int lineWidth(const QList<int>& widths, qsizetype first, qsizetype count, int spacing)
{
    int line = 0;
    for (qsizetype i = first; i < first + count; ++i) {
        if (widths[i] > 0)
            line += (line > 0 ? spacing : 0) + widths[i];
    }
    return line;
}

// The bar as assistive technology sees it: its children are the rows in use, each a menu bar whose items are
// the ones drawn on it, at the places they are drawn. The measuring bar, which holds every item at its place on
// one line, and the spare rows are left out, so no item is found twice or where it is not.
class AccessibleWrappingMenuBar : public QAccessibleWidget {
public:
    explicit AccessibleWrappingMenuBar(WrappingMenuBar* bar)
        : QAccessibleWidget(bar)
    {
    }

    [[nodiscard]] int childCount() const override { return bar()->rowCount(); }

    [[nodiscard]] QAccessibleInterface* child(int index) const override
    {
        return index >= 0 && index < childCount() ? QAccessible::queryAccessibleInterface(bar()->row(index)) : nullptr;
    }

    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int r = 0; child && r < childCount(); ++r) {
            if (child->object() == bar()->row(r))
                return r;
        }
        return -1;
    }

private:
    [[nodiscard]] WrappingMenuBar* bar() const { return static_cast<WrappingMenuBar*>(widget()); }
};

QAccessibleInterface* accessibleWrappingMenuBar(const QString& className, QObject* object)
{
    auto* bar = qobject_cast<WrappingMenuBar*>(object);
    if (!bar || className != QLatin1String(WrappingMenuBar::staticMetaObject.className()))
        return nullptr;
    return new AccessibleWrappingMenuBar(bar);
}

} // namespace

QList<int> wrapMenuItems(const QList<int>& widths, int available, int spacing)
{
    QList<int> lengths { 0 };
    int used = 0; // pixels the current row's items take, spacing included
    for (const int width : widths) {
        if (width > 0) {
            if (used > 0 && used + spacing + width > available) {
                lengths.append(0);
                used = width;
            } else {
                used += (used > 0 ? spacing : 0) + width;
            }
        }
        ++lengths.back();
    }
    return lengths;
}

WrappingMenuBar::WrappingMenuBar(QWidget* parent)
    : QWidget(parent)
    , m_measure(newRowBar())
{
    static const bool accessible = (QAccessible::installFactory(accessibleWrappingMenuBar), true);
    Q_UNUSED(accessible);
    m_measure->hide();
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    arrange();
}

WrappingMenuBar::~WrappingMenuBar()
{
    // The menus and rows are deleted after this body, as children: a change to an item then must not reach arrange().
    for (QAction* item : actions())
        disconnect(item, nullptr, this, nullptr);
}

QMenu* WrappingMenuBar::addMenu(const QString& title)
{
    auto* menu = new QMenu(title, this);
    addAction(menu->menuAction());
    return menu;
}

int WrappingMenuBar::rowHeight() const
{
    // The tallest item decides, so every row has the same height however the items fall. Captions do not change it;
    // the font, the style and the set of items do.
    if (m_rowHeight < 0)
        m_rowHeight = m_measure->heightForWidth(width());
    return m_rowHeight;
}

int WrappingMenuBar::itemSpacing() const
{
    return m_measure->style()->pixelMetric(QStyle::PM_MenuBarItemSpacing, nullptr, m_measure);
}

int WrappingMenuBar::rowOverhead() const
{
    // QMenuBar starts its first item past the frame, the margin and one spacing, and hides behind its extension
    // button any item that reaches into the frame on the right.
    const QStyle* style = m_measure->style();
    const int frame = style->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, m_measure);
    const int margin = style->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, m_measure);
    return 2 * frame + margin + itemSpacing();
}

QList<int> WrappingMenuBar::itemWidths() const
{
    const QList<QAction*> items = actions();
    QList<int> widths;
    widths.reserve(items.size());
    for (QAction* item : items) {
        const auto known = m_widthByCaption.constFind(item->text());
        if (item->isVisible() && known == m_widthByCaption.constEnd())
            break;
        widths.append(item->isVisible() ? *known : 0);
    }
    if (widths.size() == items.size())
        return widths;
    // QMenuBar lays out a line without wrapping however narrow it is, so the widths hold at any width; a hidden
    // item has an empty rectangle.
    widths.clear();
    for (QAction* item : items) {
        widths.append(m_measure->actionGeometry(item).width());
        if (item->isVisible())
            m_widthByCaption.insert(item->text(), widths.back());
    }
    return widths;
}

int WrappingMenuBar::heightForWidth(int width) const
{
    const auto rows = wrapMenuItems(itemWidths(), width - rowOverhead(), itemSpacing()).size();
    return static_cast<int>(rows) * rowHeight();
}

QSize WrappingMenuBar::sizeHint() const
{
    const QList<int> widths = itemWidths();
    return { rowOverhead() + lineWidth(widths, 0, widths.size(), itemSpacing()), rowHeight() };
}

QMenuBar* WrappingMenuBar::newRowBar()
{
    auto* bar = new QMenuBar(this);
    // A platform's own menu bar would take the row out of the window.
    bar->setNativeMenuBar(false);
    return bar;
}

void WrappingMenuBar::arrange()
{
    const QList<QAction*> items = actions();
    const QList<int> widths = itemWidths();
    const int spacing = itemSpacing();
    const int overhead = rowOverhead();
    const int height = rowHeight();
    const QList<int> lengths = wrapMenuItems(widths, width() - overhead, spacing);
    while (m_rows.size() < lengths.size())
        m_rows.append(newRowBar());

    int first = 0;
    for (qsizetype r = 0; r < m_rows.size(); ++r) {
        QMenuBar* bar = m_rows[r];
        const int length = r < lengths.size() ? lengths[r] : 0;
        // A row keeps its items untouched when they stay, so an open menu on it stays open.
        const QList<QAction*> rowItems = items.mid(first, length);
        // std::ranges::equal, not QList's operator==: Qt 6.4 passes a null pointer to memcmp for two empty lists.
        if (!std::ranges::equal(bar->actions(), rowItems)) {
            for (QAction* item : bar->actions())
                bar->removeAction(item);
            bar->addActions(rowItems);
        }
        if (r >= lengths.size()) {
            bar->hide();
            continue;
        }
        // An item wider than the whole bar is cut off at the right edge rather than hidden.
        const int needed = overhead + lineWidth(widths, first, length, spacing);
        bar->setGeometry(0, static_cast<int>(r) * height, std::max(width(), needed), height);
        bar->show();
        first += length;
    }

    const bool rowsChanged = lengths.size() != m_rowLengths.size();
    if (lengths != m_rowLengths) {
        // Items moved from one row to another: the accessibility tree is rebuilt from the rows.
        QAccessibleEvent moved(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&moved);
    }
    m_rowLengths = lengths;
    if (rowsChanged) {
        updateGeometry();
        Q_EMIT rowCountChanged(rowCount());
    }
}

void WrappingMenuBar::actionEvent(QActionEvent* event)
{
    QAction* item = event->action();
    if (event->type() == QEvent::ActionAdded) {
        m_measure->insertAction(event->before(), item);
        // The signal, not ActionChanged: it comes after every bar, the measuring one too, has taken the change in.
        connect(item, &QAction::changed, this, &WrappingMenuBar::arrange);
        m_rowHeight = -1;
        arrange();
    } else if (event->type() == QEvent::ActionRemoved) {
        disconnect(item, nullptr, this, nullptr);
        m_measure->removeAction(item);
        m_rowHeight = -1;
        arrange();
    }
    QWidget::actionEvent(event);
}

void WrappingMenuBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        // Item widths and the row height follow the font and the style.
        m_widthByCaption.clear();
        m_rowHeight = -1;
        arrange();
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

void WrappingMenuBar::resizeEvent(QResizeEvent* event)
{
    arrange();
    QWidget::resizeEvent(event);
}

} // namespace norvel
