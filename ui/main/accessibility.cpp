#include "accessibility.h"

#include <QLabel>
#include <QLineEdit>

namespace vp {

void describeMainWindowForAssistiveTechnology(QWidget& window)
{
    // Without a label of its own the delay field would be announced by its
    // frame's title, "Taustaväri"; the caption beside it names it.
    auto* caption = window.findChild<QLabel*>(QStringLiteral("Label6"));
    auto* delay = window.findChild<QLineEdit*>(QStringLiteral("TxtViive"));
    if (caption && delay)
        caption->setBuddy(delay);

    if (auto* banner = window.findChild<QLabel*>(QStringLiteral("Picture1"))) {
        banner->setAccessibleName(QStringLiteral("Vorkula Ponkka -tunnuskuva"));
        banner->setAccessibleDescription(QStringLiteral(
            "Pystysuora kuva tummansinisellä ja violetilla pohjalla: ylhäällä CD-asema, "
            "sen alla kiiltävä CD-levy, alhaalta ylöspäin luettavat sanat VORKULA "
            "keltaisella ja PONKKA valkoisella sekä alareunassa keltainen ylöspäin "
            "osoittava kolmio."));
    }
}

} // namespace vp
