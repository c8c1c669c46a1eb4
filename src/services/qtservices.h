#pragma once

#include "services/services.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QMessageBox;

namespace norvel {

// The OK/Cancel question as the program shows it, with Cancel as the default answer.
[[nodiscard]] std::unique_ptr<QMessageBox> makeOkCancelBox(QWidget* parent, const QString& text);

// The real dialogs, clock and clipboard, shown over the main window.
class QtServices final : public QuestionBox,
                         public FileOpenDialog,
                         public FolderDialog,
                         public ErrorReporter,
                         public Clock,
                         public Clipboard,
                         public MadeFileNotice {
public:
    explicit QtServices(QString programFolder);

    void setParentWidget(QWidget* parent) { m_parent = parent; }
    [[nodiscard]] Services services();

    [[nodiscard]] bool askOkCancel(const QString& text) override;
    [[nodiscard]] std::optional<QString> chooseFile(const QString& filterText, const QString& lastFile) override;
    [[nodiscard]] std::optional<QString> chooseFolder(const QString& title, const QString& root) override;
    void showError(const QString& text) override;
    void showNotice(const QString& text) override;
    [[nodiscard]] QDateTime now() const override;
    void clear() override;
    void setText(const QString& text) override;
    [[nodiscard]] bool noticeWithOpen(const QString& text, const QString& path) override;

private:
    QString m_programFolder;
    QPointer<QWidget> m_parent;
};

} // namespace norvel
