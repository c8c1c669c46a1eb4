#include "services/quitsignals.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

using namespace norvel;

namespace {

// Raises the signal and waits for the event loop to report it, once; a missing handler ends the test program.
bool arrives(QuitSignals& quit, int number)
{
    QSignalSpy spy(&quit, &QuitSignals::received);
    if (::raise(number) != 0 || !QTest::qWaitFor([&] { return !spy.isEmpty(); }, 2000))
        return false;
    QTest::qWait(20); // room for a duplicate report to show
    return spy.size() == 1 && spy.first().first().toInt() == number;
}

struct SignalCase {
    const char* name;
    int number;
};

class QuitSignalsTest : public testing::TestWithParam<SignalCase> { };

TEST_P(QuitSignalsTest, ArrivesThroughTheEventLoop)
{
    QuitSignals quit;
    ASSERT_TRUE(quit.isInstalled());
    EXPECT_TRUE(arrives(quit, GetParam().number));
    EXPECT_TRUE(arrives(quit, GetParam().number)) << "a repeated request was lost";
}

INSTANTIATE_TEST_SUITE_P(Signals, QuitSignalsTest,
    testing::Values(
        SignalCase { "term", SIGTERM }, SignalCase { "interrupt", SIGINT }, SignalCase { "hangup", SIGHUP }),
    caseName<SignalCase>);

TEST(QuitSignals, OneInstanceAtATime)
{
    {
        QuitSignals first;
        ASSERT_TRUE(first.isInstalled());
        EXPECT_FALSE(QuitSignals().isInstalled());
        // The refused one must not have torn down the first one's pipe or handlers.
        EXPECT_TRUE(arrives(first, SIGTERM));
    }
    struct sigaction current { };
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_DFL) << "a handler left writing into a closed pipe";

    QuitSignals again;
    ASSERT_TRUE(again.isInstalled());
    EXPECT_TRUE(arrives(again, SIGHUP));
}

} // namespace
