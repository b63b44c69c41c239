#include "accessibility.h"

#include <QLabel>
#include <QLineEdit>

namespace vp {

namespace {

void describePicture(QWidget& window, const QString& name, const QString& description)
{
    if (auto* picture = window.findChild<QLabel*>(QStringLiteral("Picture1"))) {
        picture->setAccessibleName(name);
        picture->setAccessibleDescription(description);
    }
}

} // namespace

void describeMainWindowForAssistiveTechnology(QWidget& window)
{
    // Without a label of its own the delay field would be announced by its
    // frame's title, "Taustaväri"; the caption beside it names it.
    auto* caption = window.findChild<QLabel*>(QStringLiteral("Label6"));
    auto* delay = window.findChild<QLineEdit*>(QStringLiteral("TxtViive"));
    if (caption && delay)
        caption->setBuddy(delay);

    describePicture(window, QStringLiteral("Vorkula Ponkka -tunnuskuva"),
                    QStringLiteral("Pystysuora kuva tummansinisellä ja violetilla pohjalla: ylhäällä "
                                   "CD-asema, sen alla kiiltävä CD-levy, alhaalta ylöspäin luettavat "
                                   "sanat VORKULA keltaisella ja PONKKA valkoisella sekä alareunassa "
                                   "keltainen ylöspäin osoittava kolmio."));
}

void describeAboutWindowForAssistiveTechnology(QWidget& window)
{
    describePicture(window, QStringLiteral("Koodarin muotokuva"),
                    QStringLiteral("Hymyilevä koodari aurinkolaseissa, tummassa paidassa ja keltaisessa "
                                   "solmiossa sinisellä taustalla; pään takana CD-levy kuin sädekehä."));
}

} // namespace vp
