// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include "app/wiring.h"
#include "ui/toolkit/look.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <string_view>
#include <utility>

namespace vp {

namespace {

constexpr int kUsageError = 2;

void print(std::FILE* stream, const QString& text) { std::fputs(text.toLocal8Bit().constData(), stream); }

int usageError(const QString& problem)
{
    print(stderr, QStringLiteral("vorkula-ponkka: %1\n"
                                 "Käyttö: vorkula-ponkka [--device LAITE] [--open | --close | --toggle]\n"
                                 "Lisätietoja: vorkula-ponkka --help\n")
                      .arg(problem));
    return kUsageError;
}

// The bytes of the last --device value exactly as they came: a path need not
// be UTF-8, and Qt's list of arguments would change such bytes on the way.
// Found the way the parser finds it: "--device PATH" or "--device=PATH", up
// to a "--" that ends the options.
std::string rawDeviceArgument(int argc, char** argv)
{
    std::string value;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--") break;
        if (word == "--device" && i + 1 < argc)
            value = argv[++i];
        else if (word.rfind("--device=", 0) == 0)
            value = word.substr(9);
    }
    return value;
}

CommandLineOutcome readArguments(const QStringList& arguments, const std::string& devicePath)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Avaa ja sulkee CD-aseman kelkan. Ilman valitsimia ohjelma avaa ikkunansa."));
    // Qt's Finnish texts give the headings and the error messages; the
    // options describe themselves (Qt's own help option has no Finnish text).
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Näyttää tämän ohjeen."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Näyttää versiotiedot."));
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("Kelkkaa siirretään tässä asemassa eikä järjestelmän oletusasemassa."),
        QStringLiteral("laite"));
    const QCommandLineOption open(QStringLiteral("open"), QStringLiteral("Avaa kelkka ja lopeta, ikkunaa näyttämättä."));
    const QCommandLineOption close(QStringLiteral("close"),
                                   QStringLiteral("Sulje kelkka ja lopeta, ikkunaa näyttämättä."));
    const QCommandLineOption toggle(
        QStringLiteral("toggle"),
        QStringLiteral("Avaa kelkka, jos se on kiinni, tai sulje se, jos se on auki, ja lopeta."));
    parser.addOptions({help, version, device, open, close, toggle});

    if (!parser.parse(arguments)) return {usageError(parser.errorText()), {}};
    if (parser.isSet(help)) {
        print(stdout, parser.helpText());
        return {0, {}};
    }
    if (parser.isSet(version)) {
        print(stdout, QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion()));
        return {0, {}};
    }
    if (!parser.positionalArguments().isEmpty())
        return {usageError(QStringLiteral("ylimääräinen argumentti '%1'.").arg(parser.positionalArguments().first())), {}};
    if (parser.isSet(device) && devicePath.empty())
        return {usageError(QStringLiteral("valitsimelle --device puuttuu laitteen polku.")), {}};

    std::optional<TrayAction> action;
    int actions = 0;
    for (const auto& [option, meaning] : {std::pair{&open, TrayAction::Open}, std::pair{&close, TrayAction::Close},
                                          std::pair{&toggle, TrayAction::Toggle}}) {
        if (parser.isSet(*option)) {
            action = meaning;
            ++actions;
        }
    }
    if (actions > 1)
        return {usageError(QStringLiteral("valitse vain yksi valitsimista --open, --close ja --toggle.")), {}};
    if (action) return {runTrayAction(*action, devicePath), {}};
    return {std::nullopt, devicePath};
}

} // namespace

CommandLineOutcome runCommandLine(int& argc, char** argv)
{
    const std::string devicePath = rawDeviceArgument(argc, argv);
    QCoreApplication core(argc, argv);
    nameApplication();
    installFinnishTranslations(core);
    return readArguments(QCoreApplication::arguments(), devicePath);
}

} // namespace vp
