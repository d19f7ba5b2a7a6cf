#pragma once

#include "testsupport.h"

#include <QString>

#include <gtest/gtest.h>

class CodeEditParser;

/// Parses `text` line by line ("\n" separates lines) through the parser's raw
/// interface and renders the markup readably: each switch as {N}, each "{" as "{{",
/// the lines joined with "\n". Fails the test when a call writes past its buffer,
/// returns the wrong end, or emits a switch to the class already current.
QString highlight(CodeEditParser &parser, const QString &text);
/// The same with a fresh parser for the language.
QString highlight(const QString &language, const QString &text);
