#include "app/workflow/recoverykeeper.h"
#include "fakeservices.h"
#include "results/resultlist.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace norvel;

namespace {

class RecoveryKeeperTest : public ::testing::Test {
protected:
    // The list holds count rows of pole 7; the keeper hears of it as of every change of the list.
    void setRows(int count)
    {
        QList<ResultRow> rows;
        for (int row = 1; row <= count; ++row)
            rows.append({ QString::number(row), QStringLiteral("0.30") });
        list.restore(QStringLiteral("7"), QDate(2022, 10, 19), rows);
    }
    std::optional<RecoveryRecord> onDisk() const
    {
        QFile file(keeper.path());
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return parseRecovery(file.readAll()).record;
    }
    void blockFile() const
    {
        QFile::remove(keeper.path());
        ASSERT_TRUE(QDir().mkpath(keeper.path())); // a folder in the record's place
    }
    void unblockFile() const { ASSERT_TRUE(QDir(keeper.path()).removeRecursively()); }

    FakeServices fake;
    ResultList list { [] { return QDate(2022, 10, 19); } };
    RecoveryKeeper keeper { fake.services(), list, [] { return QStringLiteral("7"); } };
};

// Every change is on disk when the handler returns; a batch writes once at its end; a take-in's batch leaves the
// wait, and with it the failure, to the take-in.
TEST_F(RecoveryKeeperTest, changesReachTheDiskWhenTheOutermostBatchEnds)
{
    setRows(1);
    EXPECT_EQ(onDisk()->rows.size(), 1);
    {
        const RecoveryKeeper::Batch outer(keeper);
        {
            const RecoveryKeeper::Batch inner(keeper);
            setRows(2);
        }
        EXPECT_EQ(onDisk()->rows.size(), 1) << "written before the outermost batch ended";
    }
    EXPECT_EQ(onDisk()->rows.size(), 2);
    blockFile();
    {
        const RecoveryKeeper::Batch takeIn(keeper, RecoveryKeeper::Batch::Kind::BesideTakeIn);
        EXPECT_TRUE(keeper.besideTakeIn());
        keeper.changed();
    }
    EXPECT_FALSE(keeper.besideTakeIn());
    EXPECT_TRUE(fake.errors.isEmpty()) << "waited for inside a take-in";
    keeper.onDisk();
    keeper.changed();
    EXPECT_EQ(fake.errors.size(), 1) << "said once until a write succeeds";
    unblockFile();
    keeper.changed();
    blockFile();
    keeper.changed();
    EXPECT_EQ(fake.errors.size(), 2);
}

TEST_F(RecoveryKeeperTest, removedAtShutDownAndDamageSetAside)
{
    keeper.changed();
    keeper.remove();
    EXPECT_FALSE(QFile::exists(keeper.path()));
    EXPECT_EQ(keeper.read({}, {}), std::nullopt);
    EXPECT_TRUE(fake.errors.isEmpty());
    keeper.changed();
    QFile file(keeper.path());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.seek(file.size() - 1);
    file.write("?");
    file.close();
    EXPECT_EQ(keeper.read({}, {}), std::nullopt);
    EXPECT_EQ(fake.errors.size(), 1);
    EXPECT_TRUE(QFile::exists(fake.programFolder.filePath(DamagedRecoveryFileName)));
}

struct SettleCase {
    const char* name;
    bool filing; // a filed copy was started
    int filedAgeMs; // its age before the take-in (negative: written after it); ignored when not there
    bool filedThere;
    bool originalThere; // a kept original beside it, when filing
    bool shotChanged; // another shot under the name since
    bool outsideWatchedFolder;
    bool shotDeleted;
    int rowsAfter; // of 2
};

class SettlePendingShotTest : public RecoveryKeeperTest, public ::testing::WithParamInterface<SettleCase> { };

TEST_P(SettlePendingShotTest, deletesAFiledShotAndDropsTheRowOfAnUnfiledOne)
{
    const SettleCase& c = GetParam();
    const QString camera
        = fake.programFolder.filePath(c.outsideWatchedFolder ? QStringLiteral("elsewhere") : QStringLiteral("camera"));
    ASSERT_TRUE(QDir().mkpath(camera));
    const QString shot = camera + QStringLiteral("/IMG_0002.jpg");
    writeWholeFile(shot, "shot");
    const QDateTime takenIn = QDateTime::currentDateTime();
    setRows(2);
    keeper.setPendingShot(
        RecoveryKeeper::pendingShotOf(QFile::encodeName(shot), *regularFileStamp(QFile::encodeName(shot)), 2, takenIn));
    const QString filed = fake.programFolder.filePath(QStringLiteral("filed.jpg"));
    const QString original = fake.programFolder.filePath(QStringLiteral("original.jpg"));
    if (c.filing)
        keeper.setPendingFiling(filed, original);
    keeper.changed();
    if (c.filedThere) {
        writeWholeFile(filed, "filed");
        QFile file(filed);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(takenIn.addMSecs(-c.filedAgeMs), QFileDevice::FileModificationTime));
    }
    if (c.originalThere)
        writeWholeFile(original, "shot");
    if (c.shotChanged)
        writeWholeFile(shot, "another shot");
    QByteArrayList later;
    const std::optional<RecoveryRecord> read = keeper.read(
        fake.programFolder.filePath(QStringLiteral("camera/*.jpg")), [&](const QByteArray& name) { later << name; });
    ASSERT_TRUE(read);
    EXPECT_EQ(read->pending, std::nullopt);
    EXPECT_EQ(read->rows.size(), c.rowsAfter);
    EXPECT_EQ(!QFile::exists(shot), c.shotDeleted);
    EXPECT_TRUE(later.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Recovery, SettlePendingShotTest,
    ::testing::Values(SettleCase { "filingOff", false, 0, false, false, false, false, true, 2 },
        SettleCase { "filedAndKept", true, 0, true, true, false, false, true, 2 },
        SettleCase { "filedWithinTheSlack", true, 1500, true, true, false, false, true, 2 },
        SettleCase { "filedCopyFromBefore", true, 5000, true, true, false, false, false, 1 },
        SettleCase { "filedCopyMissing", true, 0, false, true, false, false, false, 1 },
        SettleCase { "originalMissing", true, 0, true, false, false, false, false, 1 },
        SettleCase { "anotherShotUnderTheName", true, 0, false, false, true, false, false, 2 },
        SettleCase { "notInTheWatchedFolder", true, 0, false, false, false, true, false, 2 }),
    caseName<SettleCase>);

} // namespace
