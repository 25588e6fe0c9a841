// SPDX-License-Identifier: GPL-3.0-or-later
// cuaderno-convertir: prepares one picture for the importing programs, in a process of its own
// under limits, and writes the result on the descriptor they read. Not for people to run.

#include "importer.h"
#include "platform/limitedprocess.h"
#include "platform/startup.h"
#include "worker.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

// For the tests only, and only when they set CUADERNO_WORKER_TEST_HOOK: a picture whose name
// starts with "hook-sleep", "hook-memory" or "hook-crash" hangs, eats memory or crashes here,
// as a hostile picture could inside a decoder.
void testHook(const QString& file)
{
    if (qEnvironmentVariableIsEmpty("CUADERNO_WORKER_TEST_HOOK"))
        return;
    const QString name = QFileInfo(file).fileName();
    if (name.startsWith(u"hook-sleep")) { // only the parent's wall clock can end this one
        for (;;)
            sleep(60);
    }
    if (name.startsWith(u"hook-memory")) {
        std::vector<std::unique_ptr<char[]>> blocks;
        for (;;) {
            blocks.emplace_back(new char[16 << 20]);
            std::memset(blocks.back().get(), 1, 16 << 20);
        }
    }
    if (name.startsWith(u"hook-crash"))
        std::raise(SIGSEGV);
}

} // namespace

int main(int argc, char* argv[])
{
    // The limits hold before anything of the picture is read.
    const int first = cuaderno::limitThisProcess(argc, argv);
    if (first < 0)
        return cuaderno::cannotRunStatus;
    QStringList arguments;
    for (int index = first; index < argc; ++index)
        arguments.append(QFile::decodeName(argv[index]));
    const std::optional<cuaderno::importer::PrepareOptions> options =
        cuaderno::importer::workerOptions(arguments);
    if (!options)
        return cuaderno::cannotRunStatus;
    // What goes wrong here reaches the parent as the helper's end and becomes its one Spanish
    // message; Qt's warnings and the runtime's last words would only clutter the caller's output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    std::set_terminate([] { std::abort(); });
    // Text in SVG pictures takes fonts, and fonts a GUI application; no display is needed.
    // Qt sees no arguments of ours: a file named like one of its options stays a file.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    cuaderno::prepareApplication(app);
    cuaderno::returnLargeBlocksWhenFreed();
    testHook(arguments.last());

    const cuaderno::Outcome<cuaderno::importer::Prepared> result =
        cuaderno::importer::prepare(arguments.last(), *options);
    QFile answer;
    if (!answer.open(cuaderno::answerDescriptor, QIODevice::WriteOnly,
                     QFileDevice::AutoCloseHandle))
        return 2;
    QDataStream out(&answer);
    cuaderno::importer::writeAnswer(out, result);
    return out.status() == QDataStream::Ok && answer.flush() ? 0 : 2;
}
