// The real program, killed with SIGKILL at random moments of a burst of shots and started again in the same
// folder, loses no shot and no row: after a normal close the pole's result file lists every shot in order and
// every filed picture is its own shot's. It runs on a virtual X display, where xdotool answers the message that
// tells of the restored results.
#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

constexpr int Shots = 6;

// White with a dark band whose height grows shot by shot, so that the widths grow too; grain keeps every shot's
// JPEG its own.
QImage shot(int index)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 200, 640, 20 + 5 * index, QColor(40, 40, 40));
    painter.fillRect(600, 10 + index, 3, 3, QColor(200, 200, 200));
    return image;
}

QByteArray jpeg(const QImage& image, int quality)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(quality);
    writer.write(image);
    return buffer.data();
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QThread::msleep(50);
    }
    return true;
}

class CrashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xvfb.isEmpty() || xdotool.isEmpty())
            GTEST_SKIP() << "needs Xvfb and xdotool (scripts/install-deps.sh installs them)";
        display = QStringLiteral(":%1").arg(150 + QRandomGenerator::global()->bounded(300));
        // -noreset: without it the server resets when its last client (the killed program) goes, and a restart
        // that connects meanwhile is refused and ends at once.
        server.start(xvfb,
            { display, QStringLiteral("-noreset"), QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("1280x1024x24") });
        ASSERT_TRUE(server.waitForStarted());
        QThread::msleep(500);
    }
    void TearDown() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
        }
        server.terminate();
        server.waitForFinished();
    }

    void start(const QString& folder)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        program.setProcessEnvironment(env);
        program.start(folder + QStringLiteral("/norvel"), {});
        ASSERT_TRUE(program.waitForStarted());
    }
    // Answers the message box that the restart shows, if it shows one. A loaded machine running the sanitized
    // build can take seconds to show it.
    void answerMessage()
    {
        QProcess search;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        search.setProcessEnvironment(env);
        for (int i = 0; i < 150; ++i) {
            search.start(xdotool,
                { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                    QStringLiteral("^Norvel$") });
            search.waitForFinished();
            const QByteArray window = search.readAllStandardOutput().trimmed().split('\n').value(0);
            if (!window.isEmpty()) {
                // No window manager runs: the box is given the focus directly.
                search.start(
                    xdotool, { QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::fromLatin1(window) });
                search.waitForFinished();
                search.start(xdotool, { QStringLiteral("key"), QStringLiteral("Return") });
                search.waitForFinished();
                return;
            }
            QThread::msleep(100);
        }
    }

    QString xvfb;
    QString xdotool;
    QString display;
    QProcess server;
    QProcess program;
};

TEST_F(CrashTest, killedAtRandomMomentsOfABurst_losesNoShotAndNoRow)
{
    for (int round = 0; round < 2; ++round) {
        const quint32 seed = 1000 + round;
        SCOPED_TRACE(QStringLiteral("round %1, seed %2").arg(round).arg(seed).toStdString());
        QRandomGenerator random(seed);
        QTemporaryDir folder;
        QTemporaryDir camera;
        ASSERT_TRUE(QFile::copy(QStringLiteral(NORVEL_PROGRAM), folder.filePath(QStringLiteral("norvel"))));
        QFile::setPermissions(folder.filePath(QStringLiteral("norvel")), QFile::ReadOwner | QFile::ExeOwner);
        QFile setDt(folder.filePath(QStringLiteral("set.Dt")));
        ASSERT_TRUE(setDt.open(QIODevice::WriteOnly));
        setDt.write((camera.path() + QStringLiteral("/*.jpg\r\n")).toLocal8Bit());
        setDt.close();

        std::vector<QByteArray> shots;
        for (int i = 0; i < Shots; ++i)
            shots.push_back(jpeg(shot(i), 92));
        int dropped = 0;
        // Written beside the folder and renamed in, as a camera finishes a file.
        const auto drop = [&] {
            const QString name = QStringLiteral("IMG_%1.jpg").arg(dropped + 1, 3, 10, QLatin1Char('0'));
            QFile file(folder.filePath(QStringLiteral("incoming")));
            file.open(QIODevice::WriteOnly);
            file.write(shots[std::size_t(dropped)]);
            file.close();
            QFile::rename(folder.filePath(QStringLiteral("incoming")), camera.filePath(name));
            ++dropped;
        };

        start(folder.path());
        QThread::msleep(1500);
        drop();
        // Killed once the first shot is in the record, at a random moment of the burst that follows.
        ASSERT_TRUE(waitFor([&] { return QFile::exists(folder.filePath(QStringLiteral("recovery.dat"))); }, 20000));
        const int killAt = int(random.bounded(2500));
        QElapsedTimer burst;
        burst.start();
        while (burst.elapsed() < killAt) {
            if (dropped < Shots && burst.elapsed() > (dropped - 1) * 400)
                drop();
            QThread::msleep(20);
        }
        ::kill(pid_t(program.processId()), SIGKILL);
        program.waitForFinished();

        start(folder.path());
        answerMessage();
        while (dropped < Shots) {
            QThread::msleep(700);
            drop();
        }
        EXPECT_TRUE(waitFor([&] { return QDir(camera.path()).isEmpty(); }, 30000))
            << dropped << " shots dropped; the program " << (program.state() == QProcess::Running ? "runs" : "ended");
        ::kill(pid_t(program.processId()), SIGTERM);
        ASSERT_TRUE(program.waitForFinished(20000));
        // What the program said on its way out explains a failure below.
        const std::string said = program.readAllStandardError().toStdString();
        SCOPED_TRACE(said);

        const QString pole
            = folder.filePath(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("/1"));
        const QList<QByteArray> rows = contents(pole + QStringLiteral("/No1CP.csv")).split('\n');
        ASSERT_EQ(rows.size(), Shots + 1) << contents(pole + QStringLiteral("/No1CP.csv")).toStdString();
        double previous = 0;
        for (int i = 0; i < Shots; ++i) {
            const QList<QByteArray> cells = rows[i].trimmed().split(',');
            ASSERT_EQ(cells.size(), 2);
            EXPECT_EQ(cells[0].toInt(), i + 1);
            EXPECT_GT(cells[1].toDouble(), previous) << "row " << i + 1; // the bands grow shot by shot
            previous = cells[1].toDouble();
            const QByteArray filedAsBefore = jpeg(QImage::fromData(shots[std::size_t(i)]), 75);
            EXPECT_EQ(contents(pole + QStringLiteral("/1_%1.jpg").arg(i + 1)), filedAsBefore) << "picture " << i + 1;
        }
        EXPECT_FALSE(QDir(folder.filePath(QStringLiteral("未取込"))).exists());
        EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("recovery.dat"))));
    }
}

} // namespace
