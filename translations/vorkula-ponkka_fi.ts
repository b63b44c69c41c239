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
<context>
    <name>DriveMessages</name>
    <message>
        <source>input/output error</source>
        <translation>siirräntävirhe</translation>
    </message>
    <message>
        <source>device or resource busy</source>
        <translation>laite tai resurssi on varattu</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>lupa evätty</translation>
    </message>
    <message>
        <source>operation not permitted</source>
        <translation>toimintoa ei sallita</translation>
    </message>
    <message>
        <source>no such file or directory</source>
        <translation>tiedostoa tai hakemistoa ei ole</translation>
    </message>
    <message>
        <source>invalid argument</source>
        <translation>virheellinen argumentti</translation>
    </message>
    <message>
        <source>cannot allocate memory</source>
        <translation>muistia ei voi varata</translation>
    </message>
    <message>
        <source>connection timed out</source>
        <translation>aikakatkaisu</translation>
    </message>
    <message>
        <source>read-only file system</source>
        <translation>vain luku -tiedostojärjestelmä</translation>
    </message>
    <message>
        <source>not a directory</source>
        <translation>ei ole hakemisto</translation>
    </message>
    <message>
        <source>too many levels of symbolic links</source>
        <translation>liian monta symbolisten linkkien tasoa</translation>
    </message>
    <message>
        <source>no medium found</source>
        <translation>asemassa ei ole levyä</translation>
    </message>
    <message>
        <source>error %1</source>
        <translation>virhe %1</translation>
    </message>
    <message>
        <source>%1 (pid %2)</source>
        <translation>%1 (pid %2)</translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 ja %n muu</numerusform>
            <numerusform>%1 ja %n muuta</numerusform>
        </translation>
    </message>
    <message>
        <source>permission denied; join the cdrom group (sudo adduser $USER cdrom, then log in again) or use the machine from its own seat</source>
        <translation>lupa evätty; liity cdrom-ryhmään (sudo adduser $USER cdrom, kirjaudu sitten uudelleen sisään) tai käytä konetta paikan päällä</translation>
    </message>
    <message>
        <source>no answer within %1 s</source>
        <translation>ei vastausta %1 sekunnissa</translation>
    </message>
    <message>
        <source>no answer within %1 ms</source>
        <translation>ei vastausta %1 millisekunnissa</translation>
    </message>
    <message>
        <source>still running after it was killed, pid %1</source>
        <translation>käynnissä yhä lopettamisen jälkeen, pid %1</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>pysäytetty</translation>
    </message>
    <message>
        <source>umount did not finish unmounting %1 (%2%3; %4), so the disc may still be mounted</source>
        <translation>umount ei saanut liitosta %1 irrotettua loppuun (%2%3; %4), joten levy voi olla yhä liitettynä</translation>
    </message>
    <message>
        <source>the drive refused (%1)</source>
        <translation>asema kieltäytyi (%1)</translation>
    </message>
    <message>
        <source>; its door stays locked while another program has the drive open</source>
        <translation>; sen luukku pysyy lukittuna, kun toinen ohjelma pitää asemaa auki</translation>
    </message>
    <message>
        <source>; its door was locked again, since another program holds the drive</source>
        <translation>; sen luukku lukittiin uudelleen, koska toinen ohjelma pitää asemaa</translation>
    </message>
    <message>
        <source>; its door could not be locked again (%1)</source>
        <translation>; sen luukkua ei voitu lukita uudelleen (%1)</translation>
    </message>
    <message>
        <source>no CD drive found (no /dev/cdrom, no /dev/sr*)</source>
        <translation>CD-asemaa ei löytynyt (ei /dev/cdrom-, ei /dev/sr*-laitetta)</translation>
    </message>
    <message>
        <source>no such device</source>
        <translation>laitetta ei ole</translation>
    </message>
    <message>
        <source>not a CD drive</source>
        <translation>ei ole CD-asema</translation>
    </message>
    <message>
        <source>no drive answers at this device node (unplugged?)</source>
        <translation>mikään asema ei vastaa tässä laitetiedostossa (irrotettu?)</translation>
    </message>
    <message>
        <source>another program has the drive open exclusively</source>
        <translation>toinen ohjelma on avannut aseman yksinomaan itselleen</translation>
    </message>
    <message>
        <source>cannot open the device (%1)</source>
        <translation>laitetta ei voi avata (%1)</translation>
    </message>
    <message>
        <source>cannot examine the device (%1)</source>
        <translation>laitetta ei voi tutkia (%1)</translation>
    </message>
    <message>
        <source>another tray command is running on this drive; try again when it is done</source>
        <translation>toinen kelkkakomento on käynnissä tässä asemassa; yritä uudelleen, kun se on valmis</translation>
    </message>
    <message>
        <source>another program holds the drive for itself (writing a disc?); try again when it is done</source>
        <translation>toinen ohjelma pitää asemaa itsellään (polttaako se levyä?); yritä uudelleen, kun se on valmis</translation>
    </message>
    <message>
        <source>the system is still examining the drive (a disc just went in?); try again in a moment</source>
        <translation>järjestelmä tutkii asemaa vielä (levy juuri laitettu?); yritä hetken päästä uudelleen</translation>
    </message>
    <message>
        <source>cannot read the mount table %1 (%2), so the disc may still be mounted</source>
        <translation>liitostaulua %1 ei voi lukea (%2), joten levy voi olla yhä liitettynä</translation>
    </message>
    <message>
        <source>the disc&apos;s filesystem on %1 lies under another one mounted there (%2); unmount that first</source>
        <translation>levyn tiedostojärjestelmä kohdassa %1 on toisen sinne liitetyn alla (%2); irrota se ensin</translation>
    </message>
    <message>
        <source>%1 is still mounted after umount said it had unmounted it</source>
        <translation>%1 on yhä liitettynä, vaikka umount kertoi irrottaneensa sen</translation>
    </message>
    <message>
        <source>cannot run %1 to unmount %2 (%3)</source>
        <translation>ohjelmaa %1 ei voi ajaa liitoksen %2 irrottamiseksi (%3)</translation>
    </message>
    <message>
        <source>not allowed to unmount %1</source>
        <translation>liitoksen %1 irrottaminen ei ole sallittua</translation>
    </message>
    <message>
        <source>; unmount it where it was mounted (the file manager, or as root) and try again</source>
        <translation>; irrota se siellä, missä se liitettiin (tiedostonhallinnassa tai pääkäyttäjänä), ja yritä uudelleen</translation>
    </message>
    <message>
        <source>the disc is in use: %1 could not be unmounted</source>
        <translation>levy on käytössä: liitosta %1 ei voitu irrottaa</translation>
    </message>
    <message>
        <source>; close whatever uses it and try again</source>
        <translation>; sulje se, mikä käyttää sitä, ja yritä uudelleen</translation>
    </message>
    <message>
        <source>; it is held by %1; close it and try again</source>
        <translation>; sitä pitää %1; sulje se ja yritä uudelleen</translation>
    </message>
    <message>
        <source>; it is held by %1; close them and try again</source>
        <translation>; sitä pitävät %1; sulje ne ja yritä uudelleen</translation>
    </message>
    <message>
        <source>the disc is still mounted after many unmounts</source>
        <translation>levy on yhä liitettynä monen irrotuksen jälkeen</translation>
    </message>
    <message>
        <source>the disc was mounted again on %1 while the tray was being opened; the tray stays shut; try again</source>
        <translation>levy liitettiin uudelleen kohtaan %1 kelkan avaamisen aikana; kelkka pysyy kiinni; yritä uudelleen</translation>
    </message>
    <message>
        <source>the drive cannot open its tray by itself</source>
        <translation>asema ei osaa avata kelkkaansa itse</translation>
    </message>
    <message>
        <source>the drive cannot close its tray (slot-loading and most laptop drives cannot); push it in by hand</source>
        <translation>asema ei osaa sulkea kelkkaansa (rakoasemat ja useimmat kannettavien asemat eivät osaa); työnnä se sisään käsin</translation>
    </message>
    <message>
        <source>the drive is in use by another program%1; close it and try again</source>
        <translation>asema on toisen ohjelman käytössä%1; sulje se ja yritä uudelleen</translation>
    </message>
    <message>
        <source>this system cannot tell whether the tray is open</source>
        <translation>tämä järjestelmä ei kerro, onko kelkka auki</translation>
    </message>
    <message>
        <source>unknown media-control command &quot;%1&quot;</source>
        <translation>tuntematon mediaohjauskomento &quot;%1&quot;</translation>
    </message>
    <message>
        <source>the media-control interface answered error %1</source>
        <translation>mediaohjausrajapinta vastasi virheellä %1</translation>
    </message>
    <message>
        <source>an unknown failure</source>
        <translation>tuntematon vika</translation>
    </message>
    <message>
        <source>The tray did not open</source>
        <translation>Kelkka ei auennut</translation>
    </message>
    <message>
        <source>The tray did not close</source>
        <translation>Kelkka ei sulkeutunut</translation>
    </message>
    <message>
        <source>The tray&apos;s state could not be read</source>
        <translation>Kelkan tilaa ei voitu lukea</translation>
    </message>
    <message>
        <source>cannot open the tray: %1</source>
        <translation>kelkkaa ei voi avata: %1</translation>
    </message>
    <message>
        <source>cannot close the tray: %1</source>
        <translation>kelkkaa ei voi sulkea: %1</translation>
    </message>
    <message>
        <source>cannot read the tray&apos;s state: %1</source>
        <translation>kelkan tilaa ei voi lukea: %1</translation>
    </message>
    <message>
        <source>umount %1 (pid %2)</source>
        <translation>umount %1 (pid %2)</translation>
    </message>
    <message>
        <source>the program ended while a tray command was still running; the disc may yet be unmounted or the tray move</source>
        <translation>ohjelma päättyi kelkkakomennon ollessa yhä käynnissä; levy voidaan vielä irrottaa tai kelkka voi vielä liikkua</translation>
    </message>
    <message>
        <source>the program ended while a tray command was still running (%1); the disc may yet be unmounted or the tray move</source>
        <translation>ohjelma päättyi kelkkakomennon ollessa yhä käynnissä (%1); levy voidaan vielä irrottaa tai kelkka voi vielä liikkua</translation>
    </message>
</context>
</TS>
