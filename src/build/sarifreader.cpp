#include "sarifreader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace {

// SARIF levels: "error", "warning", "note" and "none"; a result without one is a warning.
int severityOfLevel(const QString &level)
{
    if (level == QLatin1String("error"))
        return Diagnostic::Error;
    if (level == QLatin1String("note"))
        return Diagnostic::Note;
    if (level == QLatin1String("none"))
        return Diagnostic::Plain;
    return Diagnostic::Warning;
}

QString fileOfUri(const QString &uri)
{
    const QUrl url(uri);
    return url.isLocalFile() ? url.toLocalFile() : uri;
}

Diagnostic readResult(const QJsonObject &result, int generator)
{
    Diagnostic diagnostic;
    diagnostic.generator = generator;
    diagnostic.severity = severityOfLevel(result.value("level").toString());
    diagnostic.message = result.value("message").toObject().value("text").toString();
    const QString rule = result.value("ruleId").toString();
    if (!rule.isEmpty())
        diagnostic.message += " [" + rule + "]";
    const QJsonObject physical = result.value("locations").toArray().at(0).toObject()
                                     .value("physicalLocation").toObject();
    diagnostic.file = fileOfUri(physical.value("artifactLocation").toObject()
                                    .value("uri").toString());
    const QJsonObject region = physical.value("region").toObject();
    diagnostic.line = region.value("startLine").toInt(-1);
    diagnostic.column = region.value("startColumn").toInt(-1);
    return diagnostic;
}

} // namespace

bool readSarifLog(const QByteArray &text, int generator, QList<Diagnostic> *diagnostics,
                  QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString();
        return false;
    }
    const QJsonValue runs = document.object().value("runs");
    if (!runs.isArray() || runs.toArray().isEmpty()) {
        *error = QStringLiteral("no runs");
        return false;
    }
    const QJsonArray results = runs.toArray().at(0).toObject().value("results").toArray();
    for (const QJsonValue &result : results)
        diagnostics->append(readResult(result.toObject(), generator));
    return true;
}
