#include "services/soleinstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace norvel;

// A second window on a folder held is refused, also when named through a link; another folder, or one let go
// (also by a program that crashed: the system lets go of it with the process), is not.
TEST(SoleInstance, oneWindowAProgramFolder)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath("a");
    QDir(root.path()).mkpath("b");
    QFile::link(root.filePath("a"), root.filePath("link"));
    auto first = std::make_unique<SoleInstance>(root.filePath("a"));
    EXPECT_TRUE(first->alone());
    EXPECT_FALSE(SoleInstance(root.filePath("a")).alone());
    EXPECT_FALSE(SoleInstance(root.filePath("link")).alone());
    EXPECT_TRUE(SoleInstance(root.filePath("b")).alone());
    first.reset();
    EXPECT_TRUE(SoleInstance(root.filePath("a")).alone());
}
