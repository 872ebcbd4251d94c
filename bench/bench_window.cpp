// Time from a click on "Convert!" until the run has finished and written its
// files, for the 20,000-point sample, in the real window.

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <iostream>

namespace {

const char *const kFiles[] = {"TARVONA_NAD83_CORS96_CONTROL.csv", "TARVONA_NAD83_CORS96a_CONTROL.csv",
                              "TARVONA_TIN_CONTROL.obj", "survey_20k.csv"};

void convertSurveyInWindow(benchmark::State &state, int tinIndex)
{
    QTemporaryDir folder;
    for (const char *name : kFiles)
        QFile::copy(QStringLiteral(VELTRANE_SOURCE_DIR "/data/") + name, folder.filePath(name));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());

    MainWindow window;
    window.show();
    Ui::MainWindowClass *form = window.form();
    form->cboMode_Tri->setCurrentIndex(tinIndex);
    form->cboInFile->lineEdit()->setText(folder.filePath("survey_20k.csv"));

    double reportedMs = 0;
    for (auto _ : state) {
        form->cmdMorvek->click();
        // The run reports its own time, which covers reading, triangulation
        // and conversion but not the writing of the files.
        const QString pane = form->txtOutput->toPlainText();
        const auto match =
            QRegularExpression("Completed in (\\d+) ms\\.").match(pane, pane.lastIndexOf("Completed in"));
        reportedMs = match.captured(1).toDouble();
    }
    state.counters["reported_ms"] = reportedMs;
    QDir::setCurrent(previous);
}

void BM_ConvertSurvey20kGenerate(benchmark::State &state)
{
    convertSurveyInWindow(state, 1);
}
void BM_ConvertSurvey20kFromFile(benchmark::State &state)
{
    convertSurveyInWindow(state, 0);
}

BENCHMARK(BM_ConvertSurvey20kGenerate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertSurvey20kFromFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // The run's diagnostics fill standard output; the figures go to standard error.
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    return 0;
}
