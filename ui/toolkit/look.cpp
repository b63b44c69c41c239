#include "look.h"

#include "message_box.h"
#include "module1.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>

namespace vp {

void applyProgramLook(QApplication& application)
{
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont font(QStringLiteral("Liberation Sans Narrow"));
    font.setPixelSize(12);
    application.setFont(font);
}

bool installFinnishTranslations(QApplication& application)
{
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_fi"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QApplication::installTranslator(translator);
}

void installInformationBox()
{
    Module1::setInformationBox([](const std::string& text, const std::string& title) {
        showMessageBox(QString::fromStdString(text), QString::fromStdString(title), BoxIcon::Information);
    });
}

} // namespace vp
