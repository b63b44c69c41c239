// SPDX-FileCopyrightText: 2026 Vorkula Ponkka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// From the delay the user typed to a colour timer's interval.
//
// The delay is read as a number in the user's locale. An interval is the
// delay times the timer's factor, made whole the classic way: the product is
// written out as text in the user's locale, the leading number of that text
// is read back with the full stop as the only decimal point, and the timer
// rounds what it is given to the nearest whole millisecond, halves to even.
// Where the locale's decimal separator is a comma the read-back stops at the
// comma and the fraction is dropped; where it is a full stop the product is
// rounded.

#include <QLocale>
#include <QString>
#include <QStringView>

namespace vp {

// The delay in seconds. Leading and trailing spaces are allowed; anything
// that is not a finite number raises the type-mismatch run-time error.
double parseDelay(const QString& text, const QLocale& locale);

// A number as the classic number-to-text conversion writes it: at most 15
// significant digits, no group separators, the locale's decimal separator,
// "-" for negatives, and exponent form ("1E+15", "1,5E-05") for magnitudes
// of 1E15 and above or below 1E-4.
QString classicNumberText(double value, const QLocale& locale);

// The number at the start of `text`, with "." as the only decimal point and
// an optional exponent part; reading stops at the first character that
// cannot continue it. No number at all reads as 0.
double leadingNumber(QStringView text);

// delay x factor, written out in `locale` and read back: the value a colour
// timer's interval is set to. A product too large for a double raises the
// overflow run-time error.
double timerIntervalFor(double delaySeconds, int factor, const QLocale& locale);

} // namespace vp
