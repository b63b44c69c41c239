// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/translations.h"

#include "ui/toolkit/look.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vp {

namespace {

// The program's catalogues, at the same place relative to the program in the
// build tree, the installed tree and the Windows package (the build says
// where).
QString catalogueFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(VP_TRANSLATIONS_FROM_PROGRAM));
}

// Answers the translator once it holds the catalogue `name`_<language> for
// the first of `locale`'s languages that has one, or null when none has.
QTranslator* loaded(QCoreApplication& application, const QLocale& locale, const QString& name,
                    const QString& folder)
{
    auto* translator = new QTranslator(&application);
    if (translator->load(locale, name, QStringLiteral("_"), folder) && QCoreApplication::installTranslator(translator))
        return translator;
    delete translator;
    return nullptr;
}

// The catalogue for the first of the user's languages that the program
// speaks, English (its texts' own, needing none) among them; null when that
// is English or the program speaks none of them.
const QTranslator* programCatalogue(QCoreApplication& application)
{
    const QString folder = catalogueFolder();
    for (const QString& name : QLocale::system().uiLanguages()) {
        const QLocale language(name);
        if (language.language() == QLocale::English) return nullptr;
        if (const QTranslator* catalogue = loaded(application, language, QStringLiteral("vorkula-ponkka"), folder))
            return catalogue;
    }
    return nullptr;
}

} // namespace

void installTranslations(QCoreApplication& application, ToolkitLanguage toolkit)
{
    const QTranslator* program = programCatalogue(application);
    if (toolkit == ToolkitLanguage::Finnish) {
        installFinnishTranslations(application);
        return;
    }
    // Qt's texts in the very language the program's came in, so that every
    // line reads in one: a user whose language the program does not speak
    // gets English throughout, not Qt's words in that language beside the
    // program's English.
    if (program)
        loaded(application, QLocale(program->language()), QStringLiteral("qtbase"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

} // namespace vp
