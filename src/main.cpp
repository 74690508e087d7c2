// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/MemoryTuning.h"
#include "app/MirelonApp.h"
#include "platform/PlatformLoader.h"
#include "platform/files/DescriptorLimit.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    // Read first: help, version and mistakes need no display and never touch
    // a running instance.
    const mirelon::CommandLine commandLine = mirelon::CommandLine::parse(arguments);
    switch (commandLine.mode) {
        case mirelon::CommandLine::Mode::Error:
            std::fprintf(stderr, "mirelon: %s\n", qPrintable(commandLine.error));
            return mirelon::CommandLine::usageExitCode;
        case mirelon::CommandLine::Mode::Version:
            std::fputs(qPrintable(mirelon::CommandLine::versionText()), stdout);
            return 0;
        case mirelon::CommandLine::Mode::Help: {
            QCoreApplication core(argc, argv);
            std::fputs(qPrintable(mirelon::CommandLine::helpText()), stdout);
            return 0;
        }
        case mirelon::CommandLine::Mode::Action: {
            QCoreApplication core(argc, argv);
            return mirelon::runCommandAction(commandLine.action);
        }
        case mirelon::CommandLine::Mode::Run:
            break;
    }

    // Before the first thread starts (GStreamer's, Qt's): how the allocator
    // gives back the memory of frames.
    mirelon::MemoryTuning::configureAllocator();
    // The usual soft limit is easily reached by a flood of connections to
    // the instance socket; the hard one is ours to take.
    mirelon::DescriptorLimit::raiseToHardLimit();
    mirelon::PlatformLoader::detectDisplay();
    mirelon::PlatformLoader::installBackends();
    QApplication app(argc, argv);
    mirelon::MirelonApp mirelon;
    if (!mirelon.launch()) {
        return mirelon.exitCode();
    }
    return QApplication::exec();
}
