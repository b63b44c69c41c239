// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/delay_interval.h"

#include "runtime/runtime_error.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace vp {

double parseDelay(const QString& text, const QLocale& locale)
{
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) throw RuntimeError(ErrorCode::TypeMismatch, "Type mismatch");
    return value;
}

QString classicNumberText(double value, const QLocale& locale)
{
    if (!std::isfinite(value)) throw RuntimeError(ErrorCode::Overflow, "Overflow");
    if (value == 0) return QStringLiteral("0");

    // Round to 15 significant digits first: the rounding may carry into a
    // new power of ten (9.999999999999999E14 becomes 1E+15).
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.14e", std::fabs(value)); // d.dddddddddddddde[+-]x
    const std::string scientific(digits);
    const auto e = scientific.find('e');
    std::string mantissa = scientific.substr(0, 1) + scientific.substr(2, e - 2); // 15 digits
    const int exponent = std::stoi(scientific.substr(e + 1));
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

    const QString point = locale.decimalPoint();
    QString text = value < 0 ? QStringLiteral("-") : QString();
    const auto fraction = [&](const std::string& rest) {
        return rest.empty() ? QString() : point + QString::fromStdString(rest);
    };

    if (exponent >= 15 || exponent < -4) {
        text += QString::fromStdString(mantissa.substr(0, 1)) + fraction(mantissa.substr(1));
        text += exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
        text += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    } else if (exponent < 0) {
        text += QStringLiteral("0") + point + QString(-exponent - 1, QLatin1Char('0'))
            + QString::fromStdString(mantissa);
    } else {
        const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
        if (mantissa.size() <= integerDigits)
            text += QString::fromStdString(mantissa + std::string(integerDigits - mantissa.size(), '0'));
        else
            text += QString::fromStdString(mantissa.substr(0, integerDigits))
                + fraction(mantissa.substr(integerDigits));
    }
    return text;
}

double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const auto at = [&](qsizetype k) { return k < text.size() ? text[k].unicode() : u'\0'; };
    const auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };

    while (at(i) == u' ' || at(i) == u'\t') ++i;
    bool negative = false;
    if (at(i) == u'+' || at(i) == u'-') negative = at(i++) == u'-';

    std::string number;
    while (isDigit(at(i))) number += static_cast<char>(at(i++));
    if (at(i) == u'.') {
        number += '.';
        ++i;
        while (isDigit(at(i))) number += static_cast<char>(at(i++));
    }
    if (number.find_first_of("0123456789") == std::string::npos) return 0.0;

    // An exponent counts only when at least one digit follows it.
    if (at(i) == u'E' || at(i) == u'e') {
        qsizetype k = i + 1;
        std::string exponent = "e";
        if (at(k) == u'+' || at(k) == u'-') exponent += static_cast<char>(at(k++));
        if (isDigit(at(k))) {
            while (isDigit(at(k))) exponent += static_cast<char>(at(k++));
            number += exponent;
        }
    }

    // from_chars reads with "." whatever the process locale is.
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Far beyond any interval; only its size matters from here on.
        value = number.find("e-") != std::string::npos ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

double timerIntervalFor(double delaySeconds, int factor, const QLocale& locale)
{
    return leadingNumber(classicNumberText(delaySeconds * factor, locale));
}

} // namespace vp
