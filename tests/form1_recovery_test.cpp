#include "form1fixture.h"
#include "testsupport.h"
#include "platform/flexgrid.h"
#include "results/recoveryrecord.h"

#include <QBuffer>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <functional>

using namespace norvel;

namespace {

QImage shot(int bandHeight) { return bandShot(bandHeight); }

bool waitWithoutEvents(const std::function<bool()>& done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
        QThread::msleep(10);
    return done();
}

} // namespace

class Form1RecoveryTest : public Form1Fixture {
public:
    // What the scripted steps before a crash use.
    norvel::Form1& window() { return *form; }
    QString drop(const QString& name, int band) { return writePicture(name, shot(band)); }
    void watch()
    {
        fake.folders.push_back(pictures.path());
        get<QPushButton>(QStringLiteral("Command1"))->click();
        get<QTimer>(QStringLiteral("Timer1"))->stop();
    }
    // Two ticks take a shot in; the filing ends through the event queue.
    void takeIn(int band, const QString& name = QStringLiteral("shot.bmp"))
    {
        drop(name, band);
        for (int i = 0; i < 2; ++i) {
            form->Timer1_Timer();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !form->filingPending(); }, 10000));
        }
    }
    // The window goes without its shut-down, as in a crash, and a new one starts in the same folder. Only the
    // record on disk when the crash comes counts, not what a closing window would still write.
    void crashAndRestart()
    {
        const bool recorded = QFile::exists(recovery());
        const QByteArray onDisk = contents(recovery());
        form.reset();
        QFile::remove(recovery());
        if (recorded) {
            QFile file(recovery());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(onDisk);
        }
        form = std::make_unique<Form1>(fake.services());
        form->Form_Load();
        get<QTimer>(QStringLiteral("Timer1"))->stop();
    }
    QStringList rows()
    {
        auto* grid = get<FlexGrid>(QStringLiteral("MSFlexGrid2"));
        QStringList listed;
        for (int row = 0; row < grid->rows(); ++row)
            listed << grid->textMatrix(row, 0) + QLatin1Char(':') + grid->textMatrix(row, 1);
        return listed;
    }
    QLineEdit* text(const char* name) { return get<QLineEdit>(QString::fromLatin1(name)); }

    QString filedNow(const char* name) { return filed("20221019", name); }
    QString recoveryPath() { return recovery(); }

protected:
    QString recovery() { return fake.programFolder.filePath(RecoveryFileName); }
    QString filed(const char* day, const char* name) { return fake.programFolder.filePath(QStringLiteral("%1/%2").arg(QLatin1String(day), QLatin1String(name))); }
};

struct CrashCase {
    const char* name;
    std::function<void(Form1RecoveryTest&)> before; // what the inspector did before the crash
    QStringList rows;
    const char* pole;
    const char* notice; // part of the message, or "" for none
};

class RestoreTest : public Form1RecoveryTest, public ::testing::WithParamInterface<CrashCase> { };

// Whatever the list looked like when the program died, it is back, and the next shot follows it.
TEST_P(RestoreTest, restoresTheListAndTheNextShotFollowsIt)
{
    const CrashCase& c = GetParam();
    watch();
    c.before(*this);
    crashAndRestart();

    EXPECT_EQ(rows(), c.rows);
    EXPECT_EQ(form->state().CurTyoNo, c.pole);
    EXPECT_EQ(text("Text4")->text(), c.pole);
    if (*c.notice) {
        EXPECT_TRUE(fake.notices.join(u'\n').contains(QString::fromUtf8(c.notice))) << fake.notices.join(u'\n').toStdString();
    }

    EXPECT_TRUE(QDir(pictures.path()).entryList(QDir::Files).isEmpty()); // every shot in the list, none twice
    const QString pole = QString::fromLatin1(c.pole);
    const QString earlier = pole + QLatin1Char('/') + pole + QStringLiteral("_1.jpg");
    const QByteArray firstPicture = contents(fake.programFolder.filePath(QStringLiteral("20221019/") + earlier));
    takeIn(30, QStringLiteral("after.bmp"));
    ASSERT_EQ(rows().size(), c.rows.size() + 1);
    EXPECT_EQ(rows().last(), QStringLiteral("%1:0.33").arg(c.rows.size() + 1));
    const QString next = QStringLiteral("20221019/%1/%1_%2.jpg").arg(pole).arg(c.rows.size() + 1);
    EXPECT_TRUE(QFile::exists(fake.programFolder.filePath(next)));
    if (!c.rows.isEmpty()) {
        EXPECT_EQ(contents(fake.programFolder.filePath(QStringLiteral("20221019/") + earlier)), firstPicture);
    }
}

INSTANTIATE_TEST_SUITE_P(Crashes, RestoreTest,
    ::testing::Values(
        CrashCase { "threeShots", [](Form1RecoveryTest& run) { run.takeIn(40); run.takeIn(30); run.takeIn(40); },
            { "1:0.44", "2:0.33", "3:0.44" }, "1", "調査柱No「1」の測定結果 3 件を復元しました。" },
        CrashCase { "clearedLast", [](Form1RecoveryTest& run) { run.takeIn(40); run.takeIn(30); run.window().Command3_Click(1); },
            { "1:0.44" }, "1", "測定結果 1 件" },
        CrashCase { "corrected", [](Form1RecoveryTest& run) { run.takeIn(40); run.text("Text3")->setText(QStringLiteral("0.50")); },
            { "1:0.50" }, "1", "測定結果 1 件" },
        CrashCase { "poleChanged",
            [](Form1RecoveryTest& run) { run.takeIn(40); run.text("Text4")->setText(QStringLiteral("2")); run.takeIn(30); },
            { "1:0.33" }, "2", "調査柱No「2」" },
        CrashCase { "poleChangedOnly", [](Form1RecoveryTest& run) { run.text("Text4")->setText(QStringLiteral("7")); }, {},
            "7", "" },
        // The program died after the filed copy was written, before the shot was deleted.
        CrashCase { "filedNotDeleted",
            [](Form1RecoveryTest& run) { run.takeIn(40); run.drop(QStringLiteral("b.bmp"), 30);
                run.window().Timer1_Timer(); run.window().Timer1_Timer();
                // The filed copy and the record reach the disk from their own threads; the deletion would
                // wait for the event loop.
                EXPECT_TRUE(waitWithoutEvents([&] {
                    return QFile::exists(run.filedNow("1/1_2.jpg")) && contents(run.recoveryPath()).contains("\nrow 2\t");
                })); },
            { "1:0.44", "2:0.33" }, "1", "測定結果 2 件" }),
    caseName<CrashCase>);

TEST_F(Form1RecoveryTest, aShotWhoseFilingDidNotFinish_losesItsRowAndIsTakenInAgain)
{
    watch();
    takeIn(40);
    const QString camera = writePicture(QStringLiteral("late.bmp"), shot(30));
    const QFileInfo info(camera);
    RecoveryRecord record { QStringLiteral("1"), QStringLiteral("1"), QDate(2022, 10, 19),
        { { "1", "0.44" }, { "2", "0.33" } },
        PendingShot { QFile::encodeName(camera), info.size(), info.lastModified().toMSecsSinceEpoch(),
            filed("20221019", "1/1_2.jpg"), fake.clockNow.toMSecsSinceEpoch(), 2 } };
    form.reset();
    QFile file(recovery());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(serializeRecovery(record));
    file.close();
    crashAndRestart();
    EXPECT_EQ(rows(), QStringList { "1:0.44" });
    ASSERT_TRUE(QFile::exists(camera));
    for (int i = 0; i < 2; ++i) {
        form->Timer1_Timer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->filingPending(); }, 10000));
    }
    EXPECT_EQ(rows(), (QStringList { "1:0.44", "2:0.33" }));
    EXPECT_TRUE(QFile::exists(filed("20221019", "1/1_2.jpg")));
}

TEST_F(Form1RecoveryTest, resultsOfAnEarlierDay_goToThatDaysFolder_andANormalCloseLeavesNothingToRestore)
{
    watch();
    takeIn(40);
    fake.clockNow = fake.clockNow.addDays(1);
    crashAndRestart();
    EXPECT_EQ(rows(), QStringList { "1:0.44" });
    form->show();
    ASSERT_TRUE(form->close());
    EXPECT_EQ(contents(filed("20221019", "1/No1CP.csv")), "1,0.44\r\n");
    EXPECT_FALSE(QFile::exists(filed("20221020", "1/No1CP.csv")));
    EXPECT_FALSE(QFile::exists(recovery()));

    fake.notices.clear();
    crashAndRestart();
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(fake.notices.isEmpty());
}

// A record that cannot be read is kept for a look and reported; the program starts as if there were none.
TEST_F(Form1RecoveryTest, aDamagedRecord_isKeptAsideAndReported)
{
    watch();
    takeIn(40);
    form.reset();
    QByteArray bytes = contents(recovery());
    for (const QByteArray& damaged : { bytes.left(bytes.size() / 2), QByteArray("\x89PNG random bytes"), bytes.replace("norvel-recovery 1", "norvel-recovery 9") }) {
        SCOPED_TRACE(damaged.left(20).toStdString());
        QFile file(recovery());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();
        fake.errors.clear();
        crashAndRestart();
        EXPECT_TRUE(rows().isEmpty());
        EXPECT_EQ(fake.errors.size(), 1);
        EXPECT_EQ(contents(fake.programFolder.filePath(DamagedRecoveryFileName)), damaged);
        EXPECT_FALSE(QFile::exists(recovery()));
        form.reset();
    }
    form = std::make_unique<Form1>(fake.services());
}
