#pragma once

#include <QString>
#include <QStringList>

/// The product's version record, shared by every tool's banner and by the macros
/// that name the studio's version.
namespace Version {

constexpr int major = 5;
constexpr int minor = 4;
constexpr int revision = 0;
constexpr int buildNumber = 60945;
constexpr const char *buildIdentifier = "2026012200";
constexpr const char *buildDate = "2026-01-22";
constexpr const char *buildTime = "10:27:00";
constexpr const char *productName = "Tessarune for ARM";

/// "5.4.0.2026012200.60945": major prefix, minor, revision, identifier, build number.
QString release();
/// "5.4.0".
QString shortVersion();
/// Notice lines printed after a tool's banner line.
QStringList notices();
/// "<product> <tool> - Release <release>\n" followed by the notice lines.
QByteArray banner(const QString &toolName);

} // namespace Version
