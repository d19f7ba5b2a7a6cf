#pragma once

#include <QString>

/// Small helpers that keep the tools' messages and command-line values alike.
namespace QTx {

/// The culprit of a message as the tools quote it: 'none.hex'.
QString quoted(const QString &text);

/// The system's text for an errno value ("No such file or directory").
QString systemErrorText(int errorNumber);

/// Throws HException "cannot open 'FILE': REASON" (the system's reason) or "'FILE' is a
/// directory" unless the file can be opened for reading. Readers that only say "cannot
/// open" leave the user guessing; tools look first.
void checkReadableFile(const QString &fileName);

/// Parses a number given on the command line: decimal digits, or hexadecimal digits
/// after "0x" or "0X" (a leading zero never means octal); a "-" sign only when
/// `minimum` is negative. With `hexadecimal`, the digits are hexadecimal with or without
/// the prefix. Throws HException "invalid WHAT 'TEXT'" with the reason when the text is
/// no such number or lies outside minimum..maximum.
qint64 parseNumber(const QString &text, qint64 minimum, qint64 maximum, const QString &what,
                   bool hexadecimal = false);

} // namespace QTx
