#include "codeeditcfamilyparsers.h"

#include "codeedit/codeeditcparser.h"

static CodeEditStandardParser::Syntax javaSyntax()
{
    CodeEditStandardParser::Syntax syntax;
    syntax.keywords = QStringList{
        "abstract", "assert", "boolean", "break", "byte", "case", "catch", "char", "class",
        "const", "continue", "default", "do", "double", "else", "enum", "extends", "final",
        "finally", "float", "for", "goto", "if", "implements", "import", "instanceof", "int",
        "interface", "long", "native", "new", "package", "permits", "private", "protected",
        "public", "record", "return", "sealed", "short", "static", "strictfp", "super", "switch",
        "synchronized", "this", "throw", "throws", "transient", "try", "var", "void", "volatile",
        "while", "yield", "true", "false", "null"};
    syntax.wordStart = "_$";
    syntax.wordPart = "$";
    syntax.tripleQuotes = true;
    return syntax;
}

CodeEditJavaParser::CodeEditJavaParser() : CodeEditStandardParser(javaSyntax()) {}

static CodeEditStandardParser::Syntax javaScriptSyntax()
{
    CodeEditStandardParser::Syntax syntax;
    syntax.keywords = QStringList{
        "async", "await", "break", "case", "catch", "class", "const", "continue", "debugger",
        "default", "delete", "do", "else", "export", "extends", "false", "finally", "for",
        "function", "get", "if", "import", "in", "instanceof", "let", "new", "null", "of",
        "return", "set", "static", "super", "switch", "this", "throw", "true", "try", "typeof",
        "undefined", "var", "void", "while", "with", "yield"};
    syntax.wordStart = "_$";
    syntax.wordPart = "$";
    syntax.quotes = {{'"', '\\'}, {'\'', '\\'}, {'`', '\\', true}};
    return syntax;
}

CodeEditJavaScriptParser::CodeEditJavaScriptParser()
    : CodeEditStandardParser(javaScriptSyntax())
{
}

static CodeEditStandardParser::Syntax xcSyntax()
{
    CodeEditStandardParser::Syntax syntax;
    syntax.keywords = CodeEditCParser::cKeywords();
    syntax.keywords += QStringList{
        "buffered", "chan", "chanend", "client", "clock", "combinable", "core", "distributable",
        "guarded", "in", "interface", "isnull", "master", "movable", "null", "on", "ordered",
        "out", "par", "port", "select", "server", "service", "slave", "streaming", "tile",
        "timer", "transaction", "unsafe", "when"};
    syntax.wordStart = "_";
    syntax.preprocessor = true;
    return syntax;
}

CodeEditXCParser::CodeEditXCParser() : CodeEditStandardParser(xcSyntax()) {}
