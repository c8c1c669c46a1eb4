#include "app/form1.h"
#include "core/numbers.h"
#include "fakeservices.h"
#include "results/recoveryrecord.h"
#include "testsupport.h"
#include "widgets/uifont.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using namespace norvel;

namespace {

// A window whose analysis and watcher tick fail the way an overflowing 16-bit rule does.
class FailingForm : public Form1 {
public:
    using Form1::Form1;
    void Command2_Click() override
    {
        ++analyses;
        throw OverflowError("value does not fit a 16-bit integer: 50000");
    }
    void Timer1_Timer() override
    {
        ++ticks;
        throw std::runtime_error("tick");
    }
    int analyses = 0;
    int ticks = 0;
};

TEST(Form1Guard, anExceptionInAHandler_isSaidOnceForItsWork_andGoesNoFurther)
{
    installUiFont();
    FakeServices fake;
    FailingForm form(fake.services());
    form.Form_Load();
    auto* analyse = form.findChild<QPushButton*>(QStringLiteral("Command2"));
    analyse->click();
    analyse->click();
    form.findChild<QAction*>(QStringLiteral("bunGo"))->trigger();
    EXPECT_EQ(form.analyses, 3);
    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors[0].startsWith(QStringLiteral("「分析」を処理できませんでした。")))
        << fake.errors[0].toStdString();

    // The watcher's ticks reach the same guard from the event loop, and the window goes on working.
    auto* timer = form.findChild<QTimer*>(QStringLiteral("Timer1"));
    timer->setInterval(0);
    timer->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.ticks >= 3; }, 5000));
    timer->stop();
    ASSERT_EQ(fake.errors.size(), 2);
    EXPECT_TRUE(fake.errors[1].contains(QStringLiteral("を処理できませんでした"))) << fake.errors[1].toStdString();
    form.findChild<QLineEdit*>(QStringLiteral("Text4"))->setText(QStringLiteral("2"));
    EXPECT_EQ(form.resultList().pole(), QStringLiteral("2"));
}

// Every file the program reads at start-up, made into what no settings file is: start-up neither hangs nor
// reads without end, names the file, and starts as if it were not there.
struct HostileCase {
    const char* name;
    const char* file;
    std::function<bool(const QString& path)> make;
    bool setAside; // kept as recovery.bad for a look
};

bool fifo(const QString& path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}
bool endlessDevice(const QString& path)
{
    return QFile::link(QStringLiteral("/dev/zero"), path);
}
bool folder(const QString& path)
{
    return QDir().mkdir(path);
}

class HostileStartUpFile : public ::testing::TestWithParam<HostileCase> { };

TEST_P(HostileStartUpFile, isRefusedWithItsNameAndTheProgramStarts)
{
    installUiFont();
    const HostileCase& c = GetParam();
    FakeServices fake;
    const QString path = fake.programFolder.filePath(QString::fromLatin1(c.file));
    ASSERT_TRUE(c.make(path));
    Form1 form(fake.services());
    form.Form_Load();
    ASSERT_EQ(fake.errors.size(), 1) << fake.errors.join(u'\n').toStdString();
    EXPECT_TRUE(fake.errors[0].contains(QString::fromLatin1(c.file))) << fake.errors[0].toStdString();
    EXPECT_TRUE(form.state().WatchPath.isEmpty());
    EXPECT_EQ(form.resultList().pole(), QStringLiteral("1"));
    EXPECT_EQ(QFileInfo::exists(fake.programFolder.filePath(DamagedRecoveryFileName)), c.setAside);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileStartUpFile,
    ::testing::Values(HostileCase { "setDtFifo", "set.Dt", fifo, false },
        HostileCase { "setDtDevice", "set.Dt", endlessDevice, false },
        HostileCase { "setDtFolder", "set.Dt", folder, false }, HostileCase { "setBatFifo", "set.bat", fifo, false },
        HostileCase { "setBatDevice", "set.bat", endlessDevice, false },
        HostileCase { "scaleFifo", "scale.ini", fifo, false },
        HostileCase { "scaleDevice", "scale.ini", endlessDevice, false },
        HostileCase { "scaleFolder", "scale.ini", folder, false },
        HostileCase { "recoveryFifo", "recovery.dat", fifo, true },
        HostileCase { "recoveryDevice", "recovery.dat", endlessDevice, true },
        HostileCase { "recoveryFolder", "recovery.dat", folder, true }),
    caseName<HostileCase>);

// A record that cannot be read for its permissions is not damaged: it stays, for the user to mend.
TEST(Form1Recovery, anUnreadableRecord_isSaidAndLeftInPlace)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    installUiFont();
    FakeServices fake;
    const QString path = fake.programFolder.filePath(RecoveryFileName);
    RecoveryRecord record { QStringLiteral("3"), QStringLiteral("3"), QDate(2022, 10, 19), { { "1", "0.44" } }, {} };
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(serializeRecovery(record));
    }
    QFile::setPermissions(path, QFileDevice::Permissions());
    Form1 form(fake.services());
    form.Form_Load();
    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors[0].contains(QStringLiteral("読めない"))) << fake.errors[0].toStdString();
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(fake.programFolder.filePath(DamagedRecoveryFileName)));
}

} // namespace
