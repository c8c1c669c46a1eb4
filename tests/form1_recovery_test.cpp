#include "form1fixture.h"
#include "results/recoveryrecord.h"
#include "testsupport.h"
#include "widgets/flexgrid.h"

#include <QBuffer>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <functional>

using namespace norvel;

namespace {

QImage shot(int bandHeight)
{
    return bandShot(bandHeight);
}

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
    QString filed(const char* day, const char* name)
    {
        return fake.programFolder.filePath(QStringLiteral("%1/%2").arg(QLatin1String(day), QString::fromUtf8(name)));
    }
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
    EXPECT_EQ(form->resultList().pole(), c.pole);
    EXPECT_EQ(text("Text4")->text(), c.pole);
    if (*c.notice) {
        EXPECT_TRUE(fake.notices.join(u'\n').contains(QString::fromUtf8(c.notice)))
            << fake.notices.join(u'\n').toStdString();
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
    ::testing::Values(CrashCase { "threeShots",
                          [](Form1RecoveryTest& run) {
                              run.takeIn(40);
                              run.takeIn(30);
                              run.takeIn(40);
                          },
                          { "1:0.44", "2:0.33", "3:0.44" }, "1", "調査柱No「1」の測定結果 3 件を復元しました。" },
        CrashCase { "clearedLast",
            [](Form1RecoveryTest& run) {
                run.takeIn(40);
                run.takeIn(30);
                run.window().Command3_Click(1);
            },
            { "1:0.44" }, "1", "測定結果 1 件" },
        CrashCase { "corrected",
            [](Form1RecoveryTest& run) {
                run.takeIn(40);
                run.text("Text3")->setText(QStringLiteral("0.50"));
            },
            { "1:0.50" }, "1", "測定結果 1 件" },
        CrashCase { "poleChanged",
            [](Form1RecoveryTest& run) {
                run.takeIn(40);
                run.text("Text4")->setText(QStringLiteral("2"));
                run.takeIn(30);
            },
            { "1:0.33" }, "2", "調査柱No「2」" },
        CrashCase { "poleChangedOnly", [](Form1RecoveryTest& run) { run.text("Text4")->setText(QStringLiteral("7")); },
            {}, "7", "" },
        // The program died after the filed copy was written, before the shot was deleted.
        CrashCase { "filedNotDeleted",
            [](Form1RecoveryTest& run) {
                run.takeIn(40);
                run.drop(QStringLiteral("b.bmp"), 30);
                run.window().Timer1_Timer();
                run.window().Timer1_Timer();
                // The filed copy and the record reach the disk from their own threads; the deletion would
                // wait for the event loop.
                EXPECT_TRUE(waitWithoutEvents([&] {
                    return QFile::exists(run.filedNow("1/1_2.jpg"))
                        && contents(run.recoveryPath()).contains("\nrow 2\t");
                }));
            },
            { "1:0.44", "2:0.33" }, "1", "測定結果 2 件" }),
    caseName<CrashCase>);

// A shot leaves the camera folder only with its filed copy and its original both on disk: missing either,
// its row goes at the restart and the shot is taken in again.
TEST_F(Form1RecoveryTest, aShotWhoseFilingDidNotFinish_losesItsRowAndIsTakenInAgain)
{
    const struct {
        const char* name;
        bool filedCopyWritten;
    } cases[] = { { "filedCopyMissing", false }, { "originalMissing", true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        QDir(fake.programFolder.filePath(QStringLiteral("20221019"))).removeRecursively();
        watch();
        takeIn(40);
        const QString camera = writePicture(QStringLiteral("late.bmp"), shot(30));
        const QFileInfo info(camera);
        const QString original = filed("20221019", "1/原画像/1_2_late.bmp");
        if (c.filedCopyWritten) {
            QFile copy(filed("20221019", "1/1_2.jpg"));
            ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
            copy.write("filed");
        }
        RecoveryRecord record { QStringLiteral("1"), QStringLiteral("1"), QDate(2022, 10, 19),
            { { "1", "0.44" }, { "2", "0.33" } },
            PendingShot { QFile::encodeName(camera), info.size(), info.lastModified().toMSecsSinceEpoch(),
                filed("20221019", "1/1_2.jpg"), fake.clockNow.toMSecsSinceEpoch(), 2, original } };
        form.reset();
        QFile file(recovery());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(serializeRecovery(record));
        file.close();
        crashAndRestart();
        EXPECT_EQ(rows(), QStringList { "1:0.44" });
        ASSERT_TRUE(QFile::exists(camera));
        const QByteArray shotBytes = contents(camera);
        for (int i = 0; i < 2; ++i) {
            form->Timer1_Timer();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !form->filingPending(); }, 10000));
        }
        EXPECT_EQ(rows(), (QStringList { "1:0.44", "2:0.33" }));
        EXPECT_FALSE(QFile::exists(camera));
        EXPECT_NE(contents(filed("20221019", "1/1_2.jpg")), "filed");
        EXPECT_EQ(contents(original), shotBytes);
    }
}

// The list of an earlier day goes to that day's folder, beside its pictures, as the program starts; today
// starts with an empty list for the pole.
TEST_F(Form1RecoveryTest, resultsOfAnEarlierDay_areWrittenToThatDayAtStartUp)
{
    watch();
    takeIn(40);
    fake.clockNow = fake.clockNow.addDays(1);
    crashAndRestart();
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(contents(filed("20221019", "1/No1CP.csv")), "1,0.44\r\n");
    ASSERT_EQ(fake.notices.size(), 1);
    EXPECT_TRUE(fake.notices[0].contains(QStringLiteral("2022/10/19 の結果ファイルに書き込みました")))
        << fake.notices[0].toStdString();
    takeIn(30, QStringLiteral("next.bmp"));
    EXPECT_EQ(rows(), QStringList { "1:0.33" });
    EXPECT_TRUE(QFile::exists(filed("20221020", "1/1_1.jpg")));
    form->show();
    ASSERT_TRUE(form->close());
    EXPECT_EQ(contents(filed("20221020", "1/No1CP.csv")), "1,0.33\r\n");
    EXPECT_EQ(contents(filed("20221019", "1/No1CP.csv")), "1,0.44\r\n");
    EXPECT_FALSE(QFile::exists(recovery()));
}

// A survey that goes on past midnight without a pole change keeps the pole's pictures and results together, in
// the day of its first row.
TEST_F(Form1RecoveryTest, aPolesListBelongsToTheDayOfItsFirstRow)
{
    watch();
    takeIn(40);
    fake.clockNow = fake.clockNow.addDays(1);
    takeIn(30, QStringLiteral("late.bmp"));
    text("Text4")->setText(QStringLiteral("2"));
    EXPECT_EQ(contents(filed("20221019", "1/No1CP.csv")), "1,0.44\r\n2,0.33\r\n");
    EXPECT_TRUE(QFile::exists(filed("20221019", "1/1_2.jpg")));
    EXPECT_FALSE(QDir(fake.programFolder.filePath(QStringLiteral("20221020/1"))).exists());
    takeIn(40, QStringLiteral("new.bmp"));
    EXPECT_TRUE(QFile::exists(filed("20221020", "2/2_1.jpg")));
}

// Whoever can write the program folder can forge a record with a good checksum: what it names passes the
// checks a typed pole number passes, and it deletes nothing but a shot of the watched folder.
TEST_F(Form1RecoveryTest, aForgedRecord_cannotFileOutsideTheDayFolderNorDeleteOtherFiles)
{
    watch();
    const QList<ResultRow> oneRow { { "1", "0.44" } };
    const QList<ResultRow> tooManyRows(32768, { "1", "0.44" });
    const struct {
        QString pole;
        QList<ResultRow> rows;
        const char* reason;
    } forged[] = {
        { QStringLiteral("../../outside"), oneRow, "使えません" },
        { QStringLiteral(".hidden"), oneRow, "使えません" },
        { QString(65, u'x'), oneRow, "使えません" },
        { QStringLiteral("1"), tooManyRows, "多すぎます" },
    };
    for (const auto& c : forged) {
        SCOPED_TRACE(c.pole.left(20).toStdString());
        form.reset();
        QFile::remove(fake.programFolder.filePath(DamagedRecoveryFileName));
        QFile file(recovery());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(serializeRecovery({ c.pole, c.pole, QDate(2022, 10, 19), c.rows, {} }));
        file.close();
        fake.errors.clear();
        crashAndRestart();
        EXPECT_EQ(form->resultList().pole(), QStringLiteral("1"));
        EXPECT_TRUE(rows().isEmpty());
        ASSERT_EQ(fake.errors.size(), 1);
        EXPECT_TRUE(fake.errors[0].contains(QString::fromUtf8(c.reason))) << fake.errors[0].toStdString();
        EXPECT_TRUE(QFile::exists(fake.programFolder.filePath(DamagedRecoveryFileName)));
    }

    QTemporaryDir elsewhere;
    const QString victims[] = { elsewhere.filePath(QStringLiteral("keep.bmp")),
        pictures.filePath(QStringLiteral("keep.txt")), pictures.filePath(QStringLiteral(".keep.bmp")) };
    for (const QString& victim : victims) {
        SCOPED_TRACE(victim.toStdString());
        QFile made(victim);
        ASSERT_TRUE(made.open(QIODevice::WriteOnly));
        made.write("precious");
        made.close();
        const QFileInfo info(victim);
        form.reset();
        QFile file(recovery());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(serializeRecovery({ "1", "1", QDate(2022, 10, 19), { { "1", "0.44" } },
            PendingShot { QFile::encodeName(victim), info.size(), info.lastModified().toMSecsSinceEpoch(), {},
                fake.clockNow.toMSecsSinceEpoch(), 1, {} } }));
        file.close();
        crashAndRestart();
        EXPECT_EQ(contents(victim), "precious");
    }
}

// The shot taken in and filed last, whose deletion fails after the restart, is deleted later and never taken in
// as a second row.
TEST_F(Form1RecoveryTest, aFiledShotThatCannotBeDeletedAtRestart_isNeverTakenInAgain)
{
    watch();
    takeIn(40);
    const QString camera = writePicture(QStringLiteral("again.bmp"), shot(30));
    const QFileInfo info(camera);
    form.reset();
    QFile file(recovery());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(serializeRecovery({ "1", "1", QDate(2022, 10, 19), { { "1", "0.44" }, { "2", "0.33" } },
        PendingShot { QFile::encodeName(camera), info.size(), info.lastModified().toMSecsSinceEpoch(), {},
            fake.clockNow.toMSecsSinceEpoch(), 2, {} } }));
    file.close();
    // Immutable: not even root may delete it.
    if (QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("+i"), camera }) != 0)
        GTEST_SKIP() << "chattr +i is not available here";
    crashAndRestart();
    for (int i = 0; i < 3; ++i) {
        form->Timer1_Timer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->filingPending(); }, 10000));
    }
    QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("-i"), camera });
    EXPECT_EQ(rows(), (QStringList { "1:0.44", "2:0.33" }));
    EXPECT_TRUE(QFile::exists(camera));
    // Tried again now and then, and deleted once it can be.
    fake.clockNow = fake.clockNow.addSecs(CaptureWatcher::RetryStuckMs / 1000 + 1);
    form->Timer1_Timer();
    EXPECT_FALSE(QFile::exists(camera));
    EXPECT_EQ(rows().size(), 2);
}

// A record that cannot be read is kept for a look and reported; the program starts as if there were none, and the
// pole's rows come back from its result file, written at the take-in.
TEST_F(Form1RecoveryTest, aDamagedRecord_isKeptAsideAndReported)
{
    watch();
    takeIn(40);
    form.reset();
    QByteArray bytes = contents(recovery());
    for (const QByteArray& damaged : { bytes.left(bytes.size() / 2), QByteArray("\x89PNG random bytes"),
             bytes.replace("norvel-recovery 1", "norvel-recovery 9") }) {
        SCOPED_TRACE(damaged.left(20).toStdString());
        QFile file(recovery());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();
        fake.errors.clear();
        crashAndRestart();
        EXPECT_EQ(rows(), QStringList { "1:0.44" });
        EXPECT_EQ(fake.errors.size(), 1);
        EXPECT_EQ(contents(fake.programFolder.filePath(DamagedRecoveryFileName)), damaged);
        EXPECT_NE(contents(recovery()), damaged);
        form.reset();
    }
    form = std::make_unique<Form1>(fake.services());
}

// Going back to a pole measured earlier today brings its rows back: the next shot continues the numbering, no
// picture is overwritten, and the result file written at the next change holds every row.
TEST_F(Form1RecoveryTest, goingBackToAPole_keepsItsRowsAndPictures)
{
    watch();
    takeIn(40);
    takeIn(30, QStringLiteral("b.bmp"));
    text("Text4")->setText(QStringLiteral("2"));
    takeIn(40, QStringLiteral("c.bmp"));
    const QByteArray firstPicture = contents(filedNow("1/1_1.jpg"));
    fake.clockNow = fake.clockNow.addSecs(3600); // the file is old enough to be asked about
    text("Text4")->setText(QStringLiteral("1"));
    EXPECT_EQ(rows(), (QStringList { "1:0.44", "2:0.33" }));
    takeIn(40, QStringLiteral("d.bmp"));
    EXPECT_EQ(rows().last(), QStringLiteral("3:0.44"));
    EXPECT_EQ(contents(filedNow("1/1_1.jpg")), firstPicture);
    EXPECT_TRUE(QFile::exists(filedNow("1/1_3.jpg")));
    text("Text4")->setText(QStringLiteral("2"));
    EXPECT_TRUE(fake.questions.isEmpty()) << fake.questions.join(u'\n').toStdString();
    EXPECT_EQ(contents(filedNow("1/No1CP.csv")), "1,0.44\r\n2,0.33\r\n3,0.44\r\n");
    EXPECT_EQ(rows(), QStringList { "1:0.44" }); // pole 2's own row is back too

    // At start-up the pole in force gets its rows of today as well.
    text("Text4")->setText(QStringLiteral("1"));
    form->show();
    ASSERT_TRUE(form->close());
    form = std::make_unique<Form1>(fake.services());
    form->Form_Load();
    EXPECT_EQ(rows().size(), 3);
}

// A result file whose rows cannot be brought back is kept beside itself, said once, before anything replaces it.
TEST_F(Form1RecoveryTest, aDamagedResultFile_isKeptAsideBeforeItIsReplaced)
{
    watch();
    ASSERT_TRUE(QDir().mkpath(filedNow("3")));
    const QByteArray damaged("1,0.44\r\n7,0.9\r\n");
    QFile file(filedNow("3/No3CP.csv"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(damaged);
    file.close();
    for (int i = 0; i < 2; ++i) {
        text("Text4")->setText(QStringLiteral("3"));
        EXPECT_TRUE(rows().isEmpty());
        text("Text4")->setText(QStringLiteral("4"));
    }
    ASSERT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(fake.errors[0].contains(QStringLiteral("No3CP.csv.bad"))) << fake.errors[0].toStdString();
    EXPECT_EQ(contents(filedNow("3/No3CP.csv.bad")), damaged);
    EXPECT_FALSE(QFile::exists(filedNow("3/No3CP.csv.bad.2")));
}

// A restart on the day of the last shut-down goes on with the pole then in force and its rows; on another day,
// or with a pole no one could have typed, the program starts at pole 1.
TEST_F(Form1RecoveryTest, aRestartTheSameDay_resumesThePoleInForce)
{
    const struct {
        const char* name;
        int daysLater;
        const char* forgedPole; // written into norvel.ini in place of the program's own, when set
        const char* pole;
        int rows;
    } cases[] = {
        { "sameDay", 0, nullptr, "3", 1 },
        { "nextDay", 1, nullptr, "1", 0 },
        { "forgedPole", 0, "../x", "1", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        QFile::remove(fake.programFolder.filePath(QStringLiteral("norvel.ini")));
        watch();
        text("Text4")->setText(QStringLiteral("3"));
        takeIn(40);
        form->show();
        ASSERT_TRUE(form->close());
        const QByteArray ini = contents(fake.programFolder.filePath(QStringLiteral("norvel.ini")));
        EXPECT_TRUE(ini.contains("[session]\r\npole=3\r\nday=20221019\r\n")) << ini.toStdString();
        if (c.forgedPole) {
            QFile file(fake.programFolder.filePath(QStringLiteral("norvel.ini")));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("[session]\r\npole=") + c.forgedPole + "\r\nday=20221019\r\n");
        }
        const QDateTime today = fake.clockNow;
        fake.clockNow = fake.clockNow.addDays(c.daysLater);
        form = std::make_unique<Form1>(fake.services());
        form->Form_Load();
        get<QTimer>(QStringLiteral("Timer1"))->stop();
        EXPECT_EQ(form->resultList().pole(), QString::fromLatin1(c.pole));
        EXPECT_EQ(text("Text4")->text(), QString::fromLatin1(c.pole));
        EXPECT_EQ(rows().size(), c.rows);
        fake.clockNow = today;
        QDir(fake.programFolder.filePath(QStringLiteral("20221019"))).removeRecursively();
    }
}
