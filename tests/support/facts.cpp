// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/facts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstdlib>

namespace vp::test {

namespace {

const QJsonObject& facts()
{
    static const QJsonObject root = [] {
        QFile file(QStringLiteral(VP_FACTS_FILE));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", VP_FACTS_FILE);
            std::abort();
        }
        return QJsonDocument::fromJson(file.readAll()).object();
    }();
    return root;
}

const char* qtClass(const QString& kind)
{
    static const std::pair<const char*, const char*> kinds[] = {
        {"frame", "QGroupBox"},       {"push button", "QPushButton"}, {"label", "QLabel"},
        {"check box", "QCheckBox"},   {"radio button", "QRadioButton"}, {"text box", "QLineEdit"},
        {"picture box", "vp::PictureBox"},
    };
    for (const auto& [name, qt] : kinds)
        if (kind == QLatin1String(name)) return qt;
    std::fprintf(stderr, "facts.json: unknown kind %s\n", qPrintable(kind));
    std::abort();
}

void collect(const QJsonArray& controls, const QByteArray& container, std::vector<ControlFact>& into)
{
    for (const auto& value : controls) {
        const QJsonObject control = value.toObject();
        const QJsonArray g = control[QLatin1String("geometry")].toArray();
        into.push_back({control[QLatin1String("name")].toString().toUtf8(), container,
                        qtClass(control[QLatin1String("kind")].toString()), control[QLatin1String("text")].toString(),
                        QRect(g[0].toInt(), g[1].toInt(), g[2].toInt(), g[3].toInt())});
        const QByteArray parent = into.back().name; // a copy: `into` grows meanwhile
        collect(control[QLatin1String("controls")].toArray(), parent, into);
    }
}

} // namespace

QString fact(const char* path)
{
    QJsonValue value = facts();
    for (const QString& key : QString::fromLatin1(path).split(QLatin1Char('.'))) value = value.toObject()[key];
    if (!value.isString()) {
        std::fprintf(stderr, "facts.json: no text at %s\n", path);
        std::abort();
    }
    return value.toString();
}

std::vector<ControlFact> controlsOf(const char* window, const char* topContainer)
{
    std::vector<ControlFact> controls;
    collect(facts()[QLatin1String(window)].toObject()[QLatin1String("controls")].toArray(), topContainer, controls);
    return controls;
}

} // namespace vp::test
