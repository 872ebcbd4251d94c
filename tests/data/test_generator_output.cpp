// The generator writes exactly the committed files, so data/ can always be
// remade from the code.

#include "engine/run/conversion.h"
#include "tests/data/sampledata.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veltrane;

namespace {

const char *const kGeneratedFiles[] = {
    kControlFileCors96, kControlFileCors96a, kControlTinFile, "Tarvonamap.jpg", "sample_points.csv", "survey_20k.csv",
};

constexpr int kGeneratorTimeoutMs = 120000;

bool runGenerator(const QStringList &arguments, QString *errors)
{
    QProcess generator;
    generator.start(QString::fromUtf8(VELTRANE_DATAGEN), arguments);
    const bool finished = generator.waitForFinished(kGeneratorTimeoutMs);
    *errors = QString::fromLocal8Bit(generator.readAllStandardError());
    return finished && generator.exitStatus() == QProcess::NormalExit && generator.exitCode() == 0;
}

}  // namespace

TEST(GeneratorOutput, RemakesTheCommittedFilesByteForByte)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QString errors;
    ASSERT_TRUE(runGenerator({folder.path()}, &errors)) << errors.toStdString();

    for (const char *name : kGeneratedFiles) {
        const std::string committed = readBytes(dataPath(name));
        const std::string generated = readBytes(folder.filePath(QLatin1String(name)).toStdString());
        ASSERT_FALSE(committed.empty()) << name << " is missing from data/";
        EXPECT_TRUE(committed == generated)
            << name << " differs from a fresh run (" << committed.size() << " vs " << generated.size() << " bytes)";
    }
}

TEST(GeneratorOutput, LargeInputHasTheRequestedCountAndIsRepeatable)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString first = folder.filePath(QStringLiteral("large1.csv"));
    const QString second = folder.filePath(QStringLiteral("large2.csv"));
    QString errors;
    ASSERT_TRUE(runGenerator({QStringLiteral("--large"), QStringLiteral("1234"), first}, &errors))
        << errors.toStdString();
    ASSERT_TRUE(runGenerator({QStringLiteral("--large"), QStringLiteral("1234"), second}, &errors))
        << errors.toStdString();

    EXPECT_EQ(readCommaPoints(first.toStdString()).size(), 1234u);
    EXPECT_TRUE(readBytes(first.toStdString()) == readBytes(second.toStdString()));
}

TEST(GeneratorOutput, RejectsABadLargeCount)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QString errors;
    EXPECT_FALSE(runGenerator({QStringLiteral("--large"), QStringLiteral("12x"), folder.filePath("bad.csv")}, &errors));
    EXPECT_FALSE(runGenerator({QStringLiteral("--large"), QStringLiteral("0"), folder.filePath("bad.csv")}, &errors));
}
