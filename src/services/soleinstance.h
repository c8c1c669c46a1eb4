#pragma once

#include <QString>

// One window a program folder: a second program started on the same folder would take the same shots from the
// camera folder and write the same result files, each over the other's rows. The folder is held by an abstract
// socket named after it, which the system lets go with the process: a program that crashed leaves nothing behind.
namespace norvel {

class SoleInstance {
public:
    explicit SoleInstance(const QString& programFolder);
    ~SoleInstance();
    SoleInstance(const SoleInstance&) = delete;
    SoleInstance& operator=(const SoleInstance&) = delete;

    // False only when another program holds the folder: where the system cannot tell, the window opens.
    [[nodiscard]] bool alone() const { return m_alone; }

private:
    int m_socket = -1;
    bool m_alone = true;
};

} // namespace norvel
