#include "version.h"

namespace Version {

QString release()
{
    return QString("%1%2.%3.%4.%5")
        .arg(QString::number(major) + ".")
        .arg(minor)
        .arg(revision)
        .arg(buildIdentifier)
        .arg(buildNumber);
}

QString shortVersion()
{
    return QString("%1%2.%3").arg(QString::number(major) + ".").arg(minor).arg(revision);
}

QStringList notices()
{
    return {QStringLiteral("Copyright (c) 2004-2026 Tessarune Ltd. All rights reserved.")};
}

QByteArray banner(const QString &toolName)
{
    QByteArray text = QString("%1 %2 - Release %3\n")
                          .arg(productName, toolName, release())
                          .toLatin1();
    for (const QString &line : notices())
        text += line.toLatin1() + '\n';
    return text;
}

} // namespace Version
