// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "app/wiring.h"
#include "ui/toolkit/look.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <utility>

namespace vp {

namespace {

constexpr int kUsageError = 2;

void print(std::FILE* stream, const QString& text) { std::fputs(text.toLocal8Bit().constData(), stream); }

// The options, with their Finnish descriptions (Qt's own help option has no
// Finnish text); the translations in force when they are built give the
// headings and the parser's error messages.
struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Näyttää tämän ohjeen.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Näyttää versiotiedot.")};
    QCommandLineOption device{QStringLiteral("device"),
                              QStringLiteral("Kelkkaa siirretään tässä asemassa eikä järjestelmän oletusasemassa."),
                              QStringLiteral("laite")};
    QCommandLineOption open{QStringLiteral("open"), QStringLiteral("Avaa kelkka ja lopeta, ikkunaa näyttämättä.")};
    QCommandLineOption close{QStringLiteral("close"), QStringLiteral("Sulje kelkka ja lopeta, ikkunaa näyttämättä.")};
    QCommandLineOption toggle{QStringLiteral("toggle"),
                              QStringLiteral("Avaa kelkka, jos se on kiinni, tai sulje se, jos se on auki, ja lopeta.")};
};

// What the arguments ask for.
struct Request {
    enum class Kind { Window, Help, Version, Action, UsageError };
    Kind kind = Kind::Window;
    TrayAction action = TrayAction::Open;
    QString problem; // for a usage error

    static Request of(Kind kind, TrayAction action = TrayAction::Open) { return {kind, action, {}}; }
    static Request usage(const QString& problem) { return {Kind::UsageError, TrayAction::Open, problem}; }
};

Request interpret(QCommandLineParser& parser, const Options& options, const QStringList& arguments)
{
    parser.setApplicationDescription(
        QStringLiteral("Avaa ja sulkee CD-aseman kelkan. Ilman valitsimia ohjelma avaa ikkunansa."));
    parser.addOptions({options.help, options.version, options.device, options.open, options.close, options.toggle});

    using Kind = Request::Kind;
    if (!parser.parse(arguments)) return Request::usage(parser.errorText());
    if (parser.isSet(options.help)) return Request::of(Kind::Help);
    if (parser.isSet(options.version)) return Request::of(Kind::Version);
    if (!parser.positionalArguments().isEmpty())
        return Request::usage(
            QStringLiteral("ylimääräinen argumentti '%1'.").arg(parser.positionalArguments().first()));
    if (parser.isSet(options.device) && parser.value(options.device).isEmpty())
        return Request::usage(QStringLiteral("valitsimelle --device puuttuu laitteen polku."));

    Request request;
    int actions = 0;
    for (const auto& [option, meaning] : {std::pair{&options.open, TrayAction::Open},
                                          std::pair{&options.close, TrayAction::Close},
                                          std::pair{&options.toggle, TrayAction::Toggle}}) {
        if (parser.isSet(*option)) {
            request = Request::of(Kind::Action, meaning);
            ++actions;
        }
    }
    if (actions > 1)
        return Request::usage(QStringLiteral("valitse vain yksi valitsimista --open, --close ja --toggle."));
    return request;
}

// The drive named by --device, byte for byte as it was given: a device path
// is bytes, not text, and need not be valid in any encoding. Read the way the
// parser reads it: the last --device counts, and "--" ends the options.
std::string deviceArgument(int argc, char** argv)
{
    constexpr const char* kOption = "--device";
    const std::size_t length = std::strlen(kOption);
    std::string device;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--") == 0) break;
        if (std::strcmp(argument, kOption) == 0 && i + 1 < argc)
            device = argv[++i];
        else if (std::strncmp(argument, kOption, length) == 0 && argument[length] == '=')
            device = argument + length + 1;
    }
    return device;
}

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int usageError(const QString& problem)
{
    print(stderr, QStringLiteral("vorkula-ponkka: %1\n"
                                 "Käyttö: vorkula-ponkka [--device LAITE] [--open | --close | --toggle]\n"
                                 "Lisätietoja: vorkula-ponkka --help\n")
                      .arg(problem));
    return kUsageError;
}

// Everything that ends without a window, under a core application with Qt's
// Finnish texts, which needs no display.
int runWithoutWindow(int& argc, char** argv, const std::string& device)
{
    QCoreApplication core(argc, argv);
    nameApplication();
    installFinnishTranslations(core);
    const Options options;
    QCommandLineParser parser;
    const Request request = interpret(parser, options, QCoreApplication::arguments());
    switch (request.kind) {
    case Request::Kind::Help:
        print(stdout, parser.helpText());
        return 0;
    case Request::Kind::Version:
        print(stdout, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion()));
        return 0;
    case Request::Kind::Action:
        return runTrayAction(request.action, device);
    case Request::Kind::UsageError:
    case Request::Kind::Window:
        break;
    }
    return usageError(request.problem);
}

} // namespace

CommandLineOutcome runCommandLine(int& argc, char** argv)
{
    // The window, with the default drive: nothing to read.
    if (argc < 2) return {};
    const std::string device = deviceArgument(argc, argv);
    // Whether a window opens is known before any application object exists,
    // so that the run builds exactly one: the window's, or a core one for
    // everything else.
    {
        const Options options;
        QCommandLineParser parser;
        if (interpret(parser, options, argumentList(argc, argv)).kind == Request::Kind::Window) return {{}, device};
    }
    return {runWithoutWindow(argc, argv, device), {}};
}

} // namespace vp
