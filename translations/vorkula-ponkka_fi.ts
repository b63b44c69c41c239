<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fi" sourcelanguage="en">
<context>
    <name>CommandLine</name>
    <message>
        <source>Shows this help.</source>
        <translation>Näyttää tämän ohjeen.</translation>
    </message>
    <message>
        <source>Shows the version.</source>
        <translation>Näyttää versiotiedot.</translation>
    </message>
    <message>
        <source>Moves the tray of this drive instead of the system&apos;s default one.</source>
        <translation>Kelkkaa siirretään tässä asemassa eikä järjestelmän oletusasemassa.</translation>
    </message>
    <message>
        <source>device</source>
        <translation>laite</translation>
    </message>
    <message>
        <source>Opens the tray and exits, without a window.</source>
        <translation>Avaa kelkka ja lopeta, ikkunaa näyttämättä.</translation>
    </message>
    <message>
        <source>Closes the tray and exits, without a window.</source>
        <translation>Sulje kelkka ja lopeta, ikkunaa näyttämättä.</translation>
    </message>
    <message>
        <source>Opens the tray if it is closed or closes it if it is open, and exits.</source>
        <translation>Avaa kelkka, jos se on kiinni, tai sulje se, jos se on auki, ja lopeta.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;.</source>
        <translation>ylimääräinen argumentti &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>--device is missing the device&apos;s path.</source>
        <translation>valitsimelle --device puuttuu laitteen polku.</translation>
    </message>
    <message>
        <source>give only one of --open, --close and --toggle.</source>
        <translation>valitse vain yksi valitsimista --open, --close ja --toggle.</translation>
    </message>
    <message>
        <source>Usage: vorkula-ponkka [--device DEVICE] [--open | --close | --toggle]</source>
        <translation>Käyttö: vorkula-ponkka [--device LAITE] [--open | --close | --toggle]</translation>
    </message>
    <message>
        <source>Opens and closes the CD drive&apos;s tray. Without options the program opens its window.</source>
        <translation>Avaa ja sulkee CD-aseman kelkan. Ilman valitsimia ohjelma avaa ikkunansa.</translation>
    </message>
    <message>
        <source>More information: vorkula-ponkka --help</source>
        <translation>Lisätietoja: vorkula-ponkka --help</translation>
    </message>
</context>
</TS>
