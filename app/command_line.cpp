// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "app/argument_text.h"
#include "app/translations.h"
#include "app/wiring.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <utility>

namespace vp {

namespace {

constexpr int kUsageError = 2;

void print(std::FILE* stream, const QString& text) { std::fputs(text.toLocal8Bit().constData(), stream); }

// The options, with their descriptions in the language of the translations in
// force when they are built: the ones the arguments are read with are built
// before any can be, and the help builds its own.
struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QCoreApplication::translate("CommandLine", "Shows this help.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QCoreApplication::translate("CommandLine", "Shows the version.")};
    QCommandLineOption device{
        QStringLiteral("device"),
        QCoreApplication::translate("CommandLine", "Moves the tray of this drive instead of the system's default one."),
        QCoreApplication::translate("CommandLine", "device")};
    QCommandLineOption open{QStringLiteral("open"),
                            QCoreApplication::translate("CommandLine", "Opens the tray and exits, without a window.")};
    QCommandLineOption close{QStringLiteral("close"),
                             QCoreApplication::translate("CommandLine",
                                                         "Closes the tray and exits, without a window.")};
    QCommandLineOption toggle{
        QStringLiteral("toggle"),
        QCoreApplication::translate("CommandLine",
                                    "Opens the tray if it is closed or closes it if it is open, and exits.")};

    void addTo(QCommandLineParser& parser) const { parser.addOptions({help, version, device, open, close, toggle}); }
};

// What the arguments ask for.
struct Request {
    enum class Kind { Window, Help, Version, Action, UsageError };
    enum class Problem { None, Parser, StrayArgument, NoDevicePath, TwoActions };
    Kind kind = Kind::Window;
    TrayAction action = TrayAction::Open;
    std::string device; // byte for byte as given; empty for the default drive
    Problem problem = Problem::None;
    QString stray; // the first argument that is no option

    static Request of(Kind kind)
    {
        Request request;
        request.kind = kind;
        return request;
    }
    static Request usage(Problem problem, const QString& stray = {})
    {
        Request request = of(Kind::UsageError);
        request.problem = problem;
        request.stray = stray;
        return request;
    }
};

// The one reading of the arguments (given losslessly as text): the last
// --device counts, "--" ends the options, and only the program's own options
// are known. It needs no application object, so that whether a window opens
// is known before the one the run makes exists.
Request interpret(QCommandLineParser& parser, const QStringList& arguments)
{
    const Options options;
    options.addTo(parser);

    using Kind = Request::Kind;
    using Problem = Request::Problem;
    if (!parser.parse(arguments)) return Request::usage(Problem::Parser);
    if (parser.isSet(options.help)) return Request::of(Kind::Help);
    if (parser.isSet(options.version)) return Request::of(Kind::Version);
    if (!parser.positionalArguments().isEmpty())
        return Request::usage(Problem::StrayArgument, parser.positionalArguments().first());
    const QString device = parser.value(options.device);
    if (parser.isSet(options.device) && device.isEmpty()) return Request::usage(Problem::NoDevicePath);

    Request request;
    request.device = argumentBytes(device);
    int actions = 0;
    for (const auto& [option, meaning] : {std::pair{&options.open, TrayAction::Open},
                                          std::pair{&options.close, TrayAction::Close},
                                          std::pair{&options.toggle, TrayAction::Toggle}}) {
        if (parser.isSet(*option)) {
            request.kind = Kind::Action;
            request.action = meaning;
            ++actions;
        }
    }
    if (actions > 1) return Request::usage(Problem::TwoActions);
    return request;
}

// Qt words an unknown option when asked, but a missing or unexpected value
// while it parses, which here is before any translation is installed: such a
// text is in Qt's English and is looked up again in Qt's catalogue.
QString parserProblem(const QCommandLineParser& parser)
{
    static constexpr const char* kWordedWhileParsing[] = {"Missing value after '%1'.",
                                                          "Unexpected value after '%1'."};
    const QString text = parser.errorText();
    for (const char* source : kWordedWhileParsing) {
        const QString english = QString::fromLatin1(source);
        const qsizetype at = english.indexOf(QLatin1String("%1"));
        const QString before = english.left(at);
        const QString after = english.mid(at + 2);
        if (text.size() > before.size() + after.size() && text.startsWith(before) && text.endsWith(after))
            return QCoreApplication::translate("QCommandLineParser", source)
                .arg(text.mid(before.size(), text.size() - before.size() - after.size()));
    }
    return text;
}

QString problemText(const Request& request, const QCommandLineParser& parser)
{
    switch (request.problem) {
    case Request::Problem::StrayArgument:
        return QCoreApplication::translate("CommandLine", "unexpected argument '%1'.").arg(request.stray);
    case Request::Problem::NoDevicePath:
        return QCoreApplication::translate("CommandLine", "--device is missing the device's path.");
    case Request::Problem::TwoActions:
        return QCoreApplication::translate("CommandLine", "give only one of --open, --close and --toggle.");
    case Request::Problem::Parser:
    case Request::Problem::None:
        break;
    }
    return parserProblem(parser);
}

int usageError(const QString& problem)
{
    print(stderr, QStringLiteral("vorkula-ponkka: %1\n%2\n%3\n")
                      .arg(problem,
                           QCoreApplication::translate(
                               "CommandLine", "Usage: vorkula-ponkka [--device DEVICE] [--open | --close | --toggle]"),
                           QCoreApplication::translate("CommandLine", "More information: vorkula-ponkka --help")));
    return kUsageError;
}

QString helpText()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "CommandLine", "Opens and closes the CD drive's tray. Without options the program opens its window."));
    Options().addTo(parser);
    return parser.helpText();
}

// Everything that ends without a window, under a core application, which
// needs no display, with the translations the user's locale asks for.
int runWithoutWindow(int& argc, char** argv, const Request& request, const QCommandLineParser& parser)
{
    QCoreApplication core(argc, argv);
    nameApplication();
    installTranslations(core, ToolkitLanguage::Program);
    switch (request.kind) {
    case Request::Kind::Help:
        print(stdout, helpText());
        return 0;
    case Request::Kind::Version:
        print(stdout, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion()));
        return 0;
    case Request::Kind::Action:
        return runTrayAction(request.action, request.device);
    case Request::Kind::UsageError:
    case Request::Kind::Window:
        break;
    }
    return usageError(problemText(request, parser));
}

} // namespace

CommandLineOutcome runCommandLine(int& argc, char** argv)
{
    // The window, with the default drive: nothing to read.
    if (argc < 2) return {};
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << argumentText(argv[i]);
    QCommandLineParser parser;
    const Request request = interpret(parser, arguments);
    if (request.kind == Request::Kind::Window) {
        // Everything has been read: the window's application is given none of
        // it, so that an argument Qt would take for one of its own options
        // (a --device value such as "-reverse") does not reach it.
        argc = 1;
        return {{}, request.device};
    }
    return {runWithoutWindow(argc, argv, request, parser), {}};
}

} // namespace vp
