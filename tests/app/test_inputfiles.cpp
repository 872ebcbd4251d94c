// Drop rules and output-file creation, without a main window.

#include "app/inputfiles.h"

#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestInputFiles : public QObject {
    Q_OBJECT

private slots:
    void urlPaths();
    void atMost32PathsInOrder();
    void dropsIntoBoxesThatAlreadyHoldItems();
    void emptyUrlListChangesNothing();
    void emptyFileIsCreatedOrEmptied();
    void unwritableFileIsReported();
};

void TestInputFiles::urlPaths()
{
    QCOMPARE(droppedUrlPath(QUrl(QStringLiteral("file:///home/u/pts.csv"))), QStringLiteral("/home/u/pts.csv"));
    QCOMPARE(droppedUrlPath(QUrl(QStringLiteral("file:///home/u/a%20b.csv"))), QStringLiteral("/home/u/a b.csv"));
    // Not a local file: kept as the whole URL rather than a mangled path.
    QCOMPARE(droppedUrlPath(QUrl(QStringLiteral("https://example.org/pts.csv"))),
             QStringLiteral("https://example.org/pts.csv"));
}

void TestInputFiles::atMost32PathsInOrder()
{
    QList<QUrl> urls;
    for (int i = 0; i < 33; ++i)
        urls << QUrl::fromLocalFile(QStringLiteral("/d/%1.csv").arg(i));
    const QStringList paths = droppedFilePaths(urls);
    QCOMPARE(paths.size(), kMaxDroppedFiles);
    QCOMPARE(paths.first(), QStringLiteral("/d/0.csv"));
    QCOMPARE(paths.last(), QStringLiteral("/d/31.csv"));

    QCOMPARE(droppedFilePaths(urls.mid(0, 32)).size(), 32);
    QCOMPARE(droppedFilePaths(urls.mid(0, 2)), (QStringList{QStringLiteral("/d/0.csv"), QStringLiteral("/d/1.csv")}));
}

void TestInputFiles::dropsIntoBoxesThatAlreadyHoldItems()
{
    QComboBox points;
    QComboBox output;
    points.addItems({QStringLiteral("p0"), QStringLiteral("p1")});
    output.addItems({QStringLiteral("o0"), QStringLiteral("o1")});
    points.setCurrentIndex(0);
    output.setCurrentIndex(0);

    addDroppedFiles(&points, &output, {QUrl::fromLocalFile(QStringLiteral("/x/one.csv"))});
    QCOMPARE(points.count(), 3);
    QCOMPARE(points.currentText(), QStringLiteral("/x/one.csv"));
    QCOMPARE(output.count(), 3);
    QCOMPARE(output.currentText(), QStringLiteral("o0"));

    addDroppedFiles(&points, &output,
                    {QUrl::fromLocalFile(QStringLiteral("/x/a.csv")), QUrl::fromLocalFile(QStringLiteral("/x/b.csv"))});
    QCOMPARE(points.count(), 5);
    QCOMPARE(points.currentText(), QStringLiteral("/x/a.csv"));
    QCOMPARE(output.currentIndex(), 4);
    QCOMPARE(output.currentText(), QStringLiteral("/x/b.csv"));

    // Equal paths are not merged.
    addDroppedFiles(&points, &output, {QUrl::fromLocalFile(QStringLiteral("/x/a.csv"))});
    QCOMPARE(points.count(), 6);
    QCOMPARE(points.findText(QStringLiteral("/x/a.csv")), 3);
    QCOMPARE(points.currentIndex(), 5);
}

void TestInputFiles::emptyUrlListChangesNothing()
{
    QComboBox points;
    QComboBox output;
    points.addItems({QStringLiteral("p0"), QStringLiteral("p1")});
    points.setCurrentIndex(0);
    addDroppedFiles(&points, &output, {});
    QCOMPARE(points.count(), 2);
    QCOMPARE(points.currentIndex(), 0);
    QCOMPARE(output.count(), 0);
}

void TestInputFiles::emptyFileIsCreatedOrEmptied()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.csv"));

    QVERIFY(createEmptyFile(path));
    QVERIFY(QFile::exists(path));
    QCOMPARE(QFileInfo(path).size(), 0);

    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("previous run\n");
    }
    QVERIFY(createEmptyFile(path));
    QCOMPARE(QFileInfo(path).size(), 0);
}

void TestInputFiles::unwritableFileIsReported()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!createEmptyFile(dir.filePath(QStringLiteral("no/such/folder/out.csv"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no"))));
    // A folder cannot be opened as a file.
    QVERIFY(!createEmptyFile(dir.path()));
    QVERIFY(QFileInfo(dir.path()).isDir());
}

QTEST_MAIN(TestInputFiles)
#include "test_inputfiles.moc"
