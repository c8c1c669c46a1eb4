#include "services/qtservices.h"

#include "services/openfiledialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace norvel {

namespace {
const QString DialogTitle = QStringLiteral("Norvel");
}

QtServices::QtServices(QString programFolder)
    : m_programFolder(std::move(programFolder))
{
}

Services QtServices::services()
{
    return { this, this, this, this, this, this, m_programFolder };
}

std::unique_ptr<QMessageBox> makeOkCancelBox(QWidget* parent, const QString& text)
{
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::Question, DialogTitle, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    // Enter or a hasty click keeps what is there: every question asks whether to replace or change something.
    box->setDefaultButton(QMessageBox::Cancel);
    return box;
}

bool QtServices::askOkCancel(const QString& text)
{
    return makeOkCancelBox(m_parent, text)->exec() == QMessageBox::Ok;
}

std::optional<QString> QtServices::chooseFile(const QString& filterText, const QString& lastFile)
{
    const std::unique_ptr<QFileDialog> dialog = makeOpenFileDialog(m_parent, DialogTitle, filterText, lastFile);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().constFirst();
}

std::optional<QString> QtServices::chooseFolder(const QString& title, const QString& root)
{
    const QString folder = QFileDialog::getExistingDirectory(m_parent, title, root);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

void QtServices::showError(const QString& text)
{
    QMessageBox::warning(m_parent, DialogTitle, text);
}

void QtServices::showNotice(const QString& text)
{
    QMessageBox::information(m_parent, DialogTitle, text);
}

QDateTime QtServices::now() const
{
    return QDateTime::currentDateTime();
}

void QtServices::clear()
{
    QApplication::clipboard()->clear();
}

void QtServices::setText(const QString& text)
{
    QApplication::clipboard()->setText(text);
}

bool QtServices::noticeWithOpen(const QString& text, const QString& path)
{
    QMessageBox box(QMessageBox::Information, DialogTitle, text, QMessageBox::NoButton, m_parent);
    QPushButton* open = box.addButton(QStringLiteral("開く"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QStringLiteral("閉じる"), QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() != open || QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace norvel
