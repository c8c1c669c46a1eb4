#pragma once

#include "services/services.h"

#include <functional>
#include <memory>
#include <utility>

// While any modal dialog, question or message is open, the window's own work waits: no shot is taken in
// behind it and no shut-down starts under it.
namespace norvel {

class ModalCounter {
public:
    [[nodiscard]] bool isOpen() const { return m_open > 0; }
    // Told each time the last dialog open closes: the work it held back may go on.
    void setWhenClosed(std::function<void()> whenClosed) { m_whenClosed = std::move(whenClosed); }

private:
    friend class ModalScope;
    int m_open = 0;
    std::function<void()> m_whenClosed;
};

// Counts as an open dialog for as long as it lives.
class ModalScope {
public:
    explicit ModalScope(ModalCounter& counter)
        : m_counter(counter)
    {
        ++m_counter.m_open;
    }
    ~ModalScope()
    {
        if (--m_counter.m_open == 0 && m_counter.m_whenClosed)
            m_counter.m_whenClosed();
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    ModalCounter& m_counter;
};

// The services as handed in, each dialog of which opens inside a ModalScope: whatever asks through them,
// now or in code added later, holds the window's work back without having to remember to.
class ModalServices {
public:
    ModalServices(const Services& inner, ModalCounter& counter);
    ~ModalServices();
    ModalServices(const ModalServices&) = delete;
    ModalServices& operator=(const ModalServices&) = delete;

    [[nodiscard]] const Services& services() const { return m_services; }

private:
    struct Adapters;
    std::unique_ptr<Adapters> m_adapters;
    Services m_services;
};

} // namespace norvel
