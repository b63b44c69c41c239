// The floor for the start-up, idle and timer benchmarks: a bare Qt window
// holding the same number and kinds of widgets as the program's main window,
// at the same places and with the same texts, and nothing else: the toolkit's
// default style, font and palette, no picture, no translation, no handlers.
//
// Each option adds back one thing the program does at start-up, so that the
// benchmark can tell where the program's extra time and memory go:
//   --picture=FILE       decode a JPEG into the picture label
//   --font=FAMILY:PIXELS the program's font for the whole application
//   --translation        load the toolkit's Finnish texts (qtbase_fi)
//   --palettes           every control with a background colour of its own
//   --timers             three precise timers at 1000, 1857 and 2253 ms, each
//                        repainting the window's background, as colour
//                        cycling at a delay of 1 s does

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTranslator>

namespace {

struct Control {
    const char* container;
    const char* name;
    char kind; // L label, G group box, P push button, C check box, R radio button, E line edit
    const char* text;
    int left, top, width, height; // pixels
};

// The main window's controls, kind for kind and place for place.
const Control kControls[] = {
    {nullptr, "Picture1", 'L', "", 16, 16, 89, 265},
    {nullptr, "Frame1", 'G', "CD-Asema", 136, 16, 129, 121},
    {"Frame1", "CmdPonkka", 'P', "&Avaa", 16, 24, 89, 25},
    {"Frame1", "CmdSulje", 'P', "&Sulje", 16, 72, 89, 25},
    {nullptr, "Frame4", 'G', "Tilastot", 280, 16, 217, 121},
    {"Frame4", "Label2", 'L', "Olet avannut cd-asemasi", 8, 24, 121, 17},
    {"Frame4", "LblPonkka", 'L', "0", 136, 24, 25, 17},
    {"Frame4", "Label4", 'L', "Kertaa", 176, 24, 33, 17},
    {"Frame4", "Label3", 'L', "Olet sulkenut cd-asemasi", 8, 48, 121, 17},
    {"Frame4", "LblSulku", 'L', "0", 136, 48, 25, 17},
    {"Frame4", "Label5", 'L', "Kertaa", 176, 48, 33, 17},
    {"Frame4", "Option5", 'R', "CD-asemasi on tällä hetkellä auki", 8, 72, 193, 17},
    {"Frame4", "Option6", 'R', "CD-asemasi on tällä hetkellä kiinni", 8, 96, 185, 17},
    {nullptr, "Frame2", 'G', "Asetukset", 136, 152, 129, 129},
    {"Frame2", "Check1", 'C', "Ota mainokset puis!", 8, 24, 113, 25},
    {"Frame2", "Check2", 'C', "EN ole Rutabo.", 8, 48, 113, 25},
    {"Frame2", "Check3", 'C', "Ihan tosi !", 8, 72, 113, 25},
    {nullptr, "Frame3", 'G', "Taustaväri", 280, 152, 217, 129},
    {"Frame3", "Option1", 'R', "Keltainen", 16, 24, 81, 17},
    {"Frame3", "Option2", 'R', "Vihreä", 16, 48, 81, 17},
    {"Frame3", "Option3", 'R', "Punainen", 16, 72, 81, 17},
    {"Frame3", "Option4", 'R', "Looppaa.. =)", 112, 24, 81, 17},
    {"Frame3", "Label6", 'L', "Viive:", 112, 48, 25, 17},
    {"Frame3", "TxtViive", 'E', "1", 144, 48, 41, 19},
    {"Frame3", "Command1", 'P', "&Käytä", 112, 88, 89, 25},
};

QWidget* makeControl(const Control& c, QWidget* parent)
{
    const QString text = QString::fromUtf8(c.text);
    switch (c.kind) {
    case 'G': return new QGroupBox(text, parent);
    case 'P': return new QPushButton(text, parent);
    case 'C': return new QCheckBox(text, parent);
    case 'R': return new QRadioButton(text, parent);
    case 'E': return new QLineEdit(text, parent);
    default: return new QLabel(text, parent);
    }
}

void paint(QWidget* widget, QColor colour)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), colour);
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QString picture;
    bool palettes = false;
    bool timers = false;
    for (const QString& argument : QApplication::arguments().mid(1)) {
        if (argument.startsWith(QLatin1String("--picture="))) {
            picture = argument.mid(10);
        } else if (argument.startsWith(QLatin1String("--font="))) {
            const QStringList parts = argument.mid(7).split(QLatin1Char(':'));
            QFont font(parts.value(0));
            font.setPixelSize(parts.value(1, QStringLiteral("11")).toInt());
            QApplication::setFont(font);
        } else if (argument == QLatin1String("--translation")) {
            auto* translator = new QTranslator(&application);
            if (translator->load(QStringLiteral("qtbase_fi"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
                QApplication::installTranslator(translator);
        } else if (argument == QLatin1String("--palettes")) {
            palettes = true;
        } else if (argument == QLatin1String("--timers")) {
            timers = true;
        } else {
            qFatal("floor: unknown option %s", qPrintable(argument));
        }
    }

    QMainWindow window;
    auto* central = new QWidget(&window);
    central->setObjectName(QStringLiteral("centralwidget"));
    window.setCentralWidget(central);
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Tiedosto"));
    menu->addAction(QStringLiteral("Tietoja"));
    menu->addAction(QStringLiteral("Sulje"), &window, &QWidget::close);

    for (const Control& c : kControls) {
        QWidget* parent = c.container ? central->findChild<QWidget*>(QLatin1String(c.container)) : central;
        QWidget* control = makeControl(c, parent);
        control->setObjectName(QLatin1String(c.name));
        control->setGeometry(c.left, c.top, c.width, c.height);
        if (palettes && c.kind != 'P' && c.kind != 'E' && qstrcmp(c.name, "Picture1") != 0)
            paint(control, Qt::yellow);
    }
    if (!picture.isEmpty()) central->findChild<QLabel*>(QStringLiteral("Picture1"))->setPixmap(QPixmap(picture));
    if (palettes) paint(central, Qt::yellow);
    window.resize(511, 304 + window.menuBar()->sizeHint().height());

    if (timers) {
        const std::pair<const char*, int> periods[] = {{"Timer1", 1000}, {"Timer2", 1857}, {"Timer3", 2253}};
        const QColor colours[] = {Qt::yellow, Qt::green, Qt::red};
        for (int i = 0; i < 3; ++i) {
            auto* timer = new QTimer(&window);
            timer->setObjectName(QLatin1String(periods[i].first));
            timer->setTimerType(Qt::PreciseTimer);
            QObject::connect(timer, &QTimer::timeout, central, [central, colour = colours[i]] { paint(central, colour); });
            timer->start(periods[i].second);
        }
    }

    window.show();
    return QApplication::exec();
}
