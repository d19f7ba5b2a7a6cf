#include "toolsupport.h"

#include "hexception.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace QTx {

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString systemErrorText(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}

void checkReadableFile(const QString &fileName)
{
    if (QFileInfo(fileName).isDir())
        throw HException(quoted(fileName) + " is a directory");
    QFile file(fileName);
    // QFile's text for a failed open is the system's.
    if (!file.open(QIODevice::ReadOnly))
        throw HException("cannot open " + quoted(fileName) + ": " + file.errorString());
}

qint64 parseNumber(const QString &text, qint64 minimum, qint64 maximum, const QString &what,
                   bool hexadecimal)
{
    const auto invalid = [&](const QString &reason) {
        return HException("invalid " + what + ' ' + quoted(text) + ": " + reason);
    };
    QStringRef digits(&text);
    const bool negative = minimum < 0 && digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits = digits.mid(1);
    int base = hexadecimal ? 16 : 10;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        digits = digits.mid(2);
        base = 16;
    }
    // toULongLong() would also take blanks and a sign: allow ASCII digits only.
    for (const QChar c : digits) {
        const ushort code = c.unicode();
        const bool decimal = code >= '0' && code <= '9';
        const bool letter = (code | 0x20) >= 'a' && (code | 0x20) <= 'f';
        if (!decimal && !(base == 16 && letter))
            throw invalid(QStringLiteral("not a number"));
    }
    bool ok = !digits.isEmpty();
    if (!ok)
        throw invalid(QStringLiteral("not a number"));
    const quint64 magnitude = digits.toULongLong(&ok, base);
    const auto bound = [base](qint64 value) {
        return base == 16 && value > 0 ? "0x" + QString::number(value, 16).toUpper()
                                        : QString::number(value);
    };
    // The most negative value's magnitude does not fit in qint64: compare unsigned.
    const bool inRange = ok && (negative ? magnitude <= quint64(-(minimum + 1)) + 1
                                         : maximum >= 0 && magnitude <= quint64(maximum)
                                               && qint64(magnitude) >= minimum);
    if (!inRange)
        throw invalid("not within " + bound(minimum) + " to " + bound(maximum));
    const qint64 value = negative ? qint64(0 - magnitude) : qint64(magnitude);
    return value;
}

} // namespace QTx
