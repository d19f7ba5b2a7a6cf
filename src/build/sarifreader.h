#pragma once

#include "diagnosticparser.h"

#include <QByteArray>
#include <QList>
#include <QString>

/// Reads the diagnostics of a SARIF log (the JSON form compilers write with
/// -fdiagnostics-format=sarif-*): one per entry of runs[0].results, from its
/// message.text, ruleId, level and locations[0].physicalLocation (artifactLocation.uri
/// and region startLine, startColumn). Returns false with `error` set when the text is
/// not such a log.
bool readSarifLog(const QByteArray &text, int generator, QList<Diagnostic> *diagnostics,
                  QString *error);
