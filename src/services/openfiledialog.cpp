#include "services/openfiledialog.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QSortFilterProxyModel>

#include <algorithm>

namespace norvel {

namespace {

QStringList filterPatterns(const QString& filterText)
{
    static const QRegularExpression inParentheses(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch match = inParentheses.match(filterText);
    const QString patterns = match.hasMatch() ? match.captured(1) : filterText;
    QStringList result = patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& pattern : std::as_const(result)) {
        if (pattern.compare(QLatin1String("*.jpg"), Qt::CaseInsensitive) == 0
            || pattern.compare(QLatin1String("*.jpeg"), Qt::CaseInsensitive) == 0)
            result << QStringLiteral("*.jpg") << QStringLiteral("*.jpeg") << QStringLiteral("*.jpe");
    }
    result.removeDuplicates();
    return result;
}

// Shows folders and the files that match; the file system model underneath lists everything.
class NameFilterProxy final : public QSortFilterProxyModel {
public:
    NameFilterProxy(QString filterText, QObject* parent)
        : QSortFilterProxyModel(parent)
        , m_filterText(std::move(filterText))
    {
    }

    void setSourceModel(QAbstractItemModel* model) override
    {
        QSortFilterProxyModel::setSourceModel(model);
        if (auto* files = qobject_cast<QFileSystemModel*>(model))
            files->setNameFilters({});
    }

protected:
    // Folders before files, as the dialog lists them without a proxy.
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files && files->isDir(left) != files->isDir(right))
            return files->isDir(left) == (sortOrder() == Qt::AscendingOrder);
        return QSortFilterProxyModel::lessThan(left, right);
    }

    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QModelIndex index = files->index(sourceRow, 0, sourceParent);
        return files->isDir(index) || nameMatchesFilter(files->fileName(index), m_filterText);
    }

private:
    QString m_filterText;
};

} // namespace

bool nameMatchesFilter(const QString& fileName, const QString& filterText)
{
    const QStringList patterns = filterPatterns(filterText);
    return std::any_of(patterns.cbegin(), patterns.cend(), [&fileName](const QString& pattern) {
        const QRegularExpression wildcard(
            QRegularExpression::wildcardToRegularExpression(pattern), QRegularExpression::CaseInsensitiveOption);
        return wildcard.match(fileName).hasMatch();
    });
}

std::unique_ptr<QFileDialog> makeOpenFileDialog(
    QWidget* parent, const QString& title, const QString& filterText, const QString& lastFile)
{
    auto dialog = std::make_unique<QFileDialog>(parent, title, lastFile);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Only Qt's own dialog takes a proxy model, and it looks the same on every desktop.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setNameFilter(filterText);
    dialog->setProxyModel(new NameFilterProxy(filterText, dialog.get()));
    if (!lastFile.isEmpty())
        dialog->selectFile(lastFile);
    return dialog;
}

} // namespace norvel
