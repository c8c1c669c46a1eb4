#pragma once

#include <QObject>

class QSocketNotifier;

namespace norvel {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop, so that a program asked to
// end by the system or a terminal goes through its own shut-down instead of dying with its results in
// memory. The handlers only write the signal's number into a pipe; one instance per process.
class QuitSignals final : public QObject {
    Q_OBJECT

public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    // False when the pipe or the handlers could not be set up; the signals then keep their default effect.
    [[nodiscard]] bool isInstalled() const { return m_installed; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
    bool m_installed = false;
};

} // namespace norvel
