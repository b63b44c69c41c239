// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The standard texts the toolkit draws read in Finnish even when the user's
// locale is English: the delay field's context menu and the buttons of
// message boxes. The Finnish comes from Qt's own qtbase_fi.qm
// (qt6-translations-l10n); the expected words below are the ones that file
// holds.

#include "app/wiring.h"
#include "app/drive_messages.h"
#include "tests/support/window_fixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <cerrno>
#include <memory>

using namespace vp;

namespace {

// An action's text without the shortcut that follows a tab.
QString captionOf(const QAction* action) { return action->text().section(QLatin1Char('\t'), 0, 0); }

QStringList captionsOf(const QMenu& menu)
{
    QStringList captions;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator())
            captions << captionOf(action);
    }
    return captions;
}

// Right-clicks the field as a user does and answers the menu that pops up.
QMenu* openContextMenu(QLineEdit* field)
{
    const QPoint inside = field->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, field->mapToGlobal(inside));
    QApplication::sendEvent(field, &event);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

} // namespace

class TestLocalisation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void delayFieldContextMenuReadsFinnish();
    void programMessageBoxButtonReadsFinnish();
    void standardButtonsReadFinnish_data();
    void standardButtonsReadFinnish();
    void driveFailuresReadInTheUsersLanguage();
};

// The premise: an English-speaking user, for whom Qt by itself draws English
// texts. Only then does Finnish in the later tests prove the program's doing.
void TestLocalisation::initTestCase()
{
    QCOMPARE(QLocale::system().language(), QLocale::English);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    {
        QLineEdit field;
        const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
        QVERIFY(!menu->actions().isEmpty());
        QCOMPARE(captionOf(menu->actions().first()), QStringLiteral("&Undo"));
    }

    QVERIFY2(QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_fi.qm")),
             "qtbase_fi.qm not found; it comes with the package qt6-translations-l10n");
    prepareApplication(*qApp); // as the program prepares its windows
}

void TestLocalisation::delayFieldContextMenuReadsFinnish()
{
    FmPonkka window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* delayField = test::childOf<QLineEdit>(&window, "TxtViive");

    QPointer<QMenu> menu = openContextMenu(delayField);
    QVERIFY2(menu, "no context menu popped up over TxtViive");
    QVERIFY(menu->isVisible());
    // Undo, Redo, Cut, Copy, Paste, Delete, Select All.
    const QStringList finnish{
        QStringLiteral("&Kumoa"), QStringLiteral("&Tee uudelleen"), QStringLiteral("L&eikkaa"),
        QStringLiteral("K&opioi"), QStringLiteral("&Liitä"),       QStringLiteral("Poista"),
        QStringLiteral("Valitse kaikki"),
    };
    QCOMPARE(captionsOf(*menu), finnish);
    menu->close();
}

// The program's own box, as the tray buttons show it: its one button is OK.
// Finnish keeps the word "OK"; the check is that the box offers exactly the
// word the Finnish translation gives for it.
void TestLocalisation::programMessageBoxButtonReadsFinnish()
{
    QTranslator finnish;
    QVERIFY(finnish.load(QStringLiteral("qtbase_fi"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    const QString finnishOk = finnish.translate("QPlatformTheme", "OK");
    QVERIFY(!finnishOk.isEmpty());

    QStringList buttonTexts;
    bool boxSeen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        boxSeen = true;
        for (const QAbstractButton* button : box->buttons())
            buttonTexts << button->text();
        box->accept();
    });
    showMessageBox(test::kWarning);

    QVERIFY2(boxSeen, "the message box was not the active modal window");
    QCOMPARE(buttonTexts, QStringList{finnishOk});
}

void TestLocalisation::standardButtonsReadFinnish_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("finnish");
    QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel) << QStringLiteral("Peru");
    QTest::newRow("Close") << int(QDialogButtonBox::Close) << QStringLiteral("Sulje");
    QTest::newRow("Yes") << int(QDialogButtonBox::Yes) << QStringLiteral("&Kyllä");
    QTest::newRow("No") << int(QDialogButtonBox::No) << QStringLiteral("&Ei");
    QTest::newRow("Apply") << int(QDialogButtonBox::Apply) << QStringLiteral("Käytä");
    QTest::newRow("Save") << int(QDialogButtonBox::Save) << QStringLiteral("Tallenna");
    QTest::newRow("Help") << int(QDialogButtonBox::Help) << QStringLiteral("Ohje");
}

// Every other standard button a box of the toolkit can show, in Finnish.
void TestLocalisation::standardButtonsReadFinnish()
{
    QFETCH(int, button);
    QFETCH(QString, finnish);
    const auto which = static_cast<QDialogButtonBox::StandardButton>(button);
    QDialogButtonBox box(which);
    QVERIFY(box.button(which));
    QCOMPARE(box.button(which)->text(), finnish);
}

// A drive failure reads in English with no catalogue, and wholly in Finnish
// with the program's own: every kind of sentence, its facts and its errno.
void TestLocalisation::driveFailuresReadInTheUsersLanguage()
{
    using K = FailureKind;
    const auto failure = [](DriveAction action, K kind, std::string device = {}, int error = 0,
                            std::string mountPoint = {}) {
        DriveFailure made = driveFailure(kind, error, std::move(mountPoint));
        made.action = action;
        made.device = std::move(device);
        return made;
    };
    DriveFailure twoHolders = failure(DriveAction::Open, K::DiscInUse, "/dev/sr0", EBUSY, "/media/cd");
    twoHolders.holders = {ProcessUse{12, "sleep"}, ProcessUse{40, "less"}};
    DriveFailure oneHolder = twoHolders;
    oneHolder.holders.resize(1);
    DriveFailure relocked = failure(DriveAction::Open, K::DriveRefused, "/dev/sr0", EIO);
    relocked.doorLockedAgain = true;
    const struct {
        DriveFailure failure;
        const char* english;
        const char* finnish;
    } rows[] = {
        {failure(DriveAction::Open, K::NoDrive), "cannot open the tray: no CD drive found (no /dev/cdrom, no /dev/sr*)",
         "kelkkaa ei voi avata: CD-asemaa ei löytynyt (ei /dev/cdrom-, ei /dev/sr*-laitetta)"},
        {failure(DriveAction::Close, K::CannotMoveTray, "/dev/sr1"),
         "/dev/sr1: cannot close the tray: the drive cannot close its tray (slot-loading and most laptop drives "
         "cannot); push it in by hand",
         "/dev/sr1: kelkkaa ei voi sulkea: asema ei osaa sulkea kelkkaansa (rakoasemat ja useimmat kannettavien "
         "asemat eivät osaa); työnnä se sisään käsin"},
        {oneHolder, "/dev/sr0: cannot open the tray: the disc is in use: /media/cd could not be unmounted; it is "
                    "held by sleep (pid 12); close it and try again",
         "/dev/sr0: kelkkaa ei voi avata: levy on käytössä: liitosta /media/cd ei voitu irrottaa; sitä pitää sleep "
         "(pid 12); sulje se ja yritä uudelleen"},
        {twoHolders, "/dev/sr0: cannot open the tray: the disc is in use: /media/cd could not be unmounted; it is "
                     "held by sleep (pid 12), less (pid 40); close them and try again",
         "/dev/sr0: kelkkaa ei voi avata: levy on käytössä: liitosta /media/cd ei voitu irrottaa; sitä pitävät "
         "sleep (pid 12), less (pid 40); sulje ne ja yritä uudelleen"},
        {relocked, "/dev/sr0: cannot open the tray: the drive refused (input/output error); its door was locked "
                   "again, since another program holds the drive",
         "/dev/sr0: kelkkaa ei voi avata: asema kieltäytyi (siirräntävirhe); sen luukku lukittiin uudelleen, koska "
         "toinen ohjelma pitää asemaa"},
        {failure(DriveAction::Open, K::Remounted, "/dev/sr0", EBUSY, "/media/cd"),
         "/dev/sr0: cannot open the tray: the disc was mounted again on /media/cd while the tray was being opened; "
         "the tray stays shut; try again",
         "/dev/sr0: kelkkaa ei voi avata: levy liitettiin uudelleen kohtaan /media/cd kelkan avaamisen aikana; "
         "kelkka pysyy kiinni; yritä uudelleen"},
        {failure(DriveAction::ReadState, K::PermissionDenied, "/dev/sr0", EACCES),
         "/dev/sr0: cannot read the tray's state: permission denied; join the cdrom group (sudo adduser $USER "
         "cdrom, then log in again) or use the machine from its own seat",
         "/dev/sr0: kelkan tilaa ei voi lukea: lupa evätty; liity cdrom-ryhmään (sudo adduser $USER cdrom, kirjaudu "
         "sitten uudelleen sisään) tai käytä konetta paikan päällä"},
    };
    for (const auto& row : rows)
        QCOMPARE(QString::fromStdString(failureLine(row.failure)), QString::fromUtf8(row.english));

    QTranslator catalogue;
    QVERIFY(catalogue.load(QStringLiteral("vorkula-ponkka_fi"),
                           QCoreApplication::applicationDirPath() + QStringLiteral("/../share/vorkula-ponkka/translations")));
    QCoreApplication::installTranslator(&catalogue);
    for (const auto& row : rows)
        QCOMPARE(QString::fromStdString(failureLine(row.failure)), QString::fromUtf8(row.finnish));
    QCOMPARE(failureSummary(rows[0].failure), QStringLiteral("Kelkka ei auennut"));
    QCoreApplication::removeTranslator(&catalogue);
}


int main(int argc, char* argv[])
{
    // An English-speaking user's environment, whatever the machine's.
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("LANG", "en_US.UTF-8");
    qputenv("LANGUAGE", "en_US:en");
    QApplication application(argc, argv);
    TestLocalisation test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_localisation.moc"

