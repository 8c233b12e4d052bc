// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_qt.h"

#include <QGuiApplication>

#include <iostream>
#include <string_view>

namespace orvek {

namespace {

// The Qt platform and messages of a tool without a screen.
void set_up_qt()
{
    // Drawing names into a PNG needs fonts but no screen. On Windows the offscreen platform finds
    // no fonts (it looks for font files beside Qt), while the minimal one asks the system.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
#ifdef _WIN32
        qputenv("QT_QPA_PLATFORM", "minimal:enable_fonts");
#else
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    }
    // Standard error carries the tool's own messages only; Qt's notes about its environment
    // would get in the way of scripts that read them.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << text.toStdString() << "\n";
    });
}

}  // namespace

// Only a run that draws starts Qt's GUI part, whose platform and font set-up take a third of a
// short run's start: a script may run the tool thousands of times.
bool draws_pictures(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        for (const std::string_view option : {"--png", "--export"})
            if (argument.starts_with(option) &&
                (argument.size() == option.size() || argument[option.size()] == '='))
                return true;
    }
    return false;
}

std::unique_ptr<QCoreApplication> start_qt(int& argc, char** argv)
{
    set_up_qt();
    if (draws_pictures(argc, argv))
        return std::make_unique<QGuiApplication>(argc, argv);
    return std::make_unique<QCoreApplication>(argc, argv);
}

}  // namespace orvek
