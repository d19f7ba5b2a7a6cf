#include "escompiler_p.h"

#include "escodeblock.h"
#include "escodegen_p.h"
#include "escontext.h"
#include "esnativeerror.h"
#include "esparser_p.h"

#include <iterator>

namespace {

// Every compile error's text, in the order of ESSyntaxMessage.
constexpr const char *syntaxMessages[] = {
    "expected %1 found %2",
    "expected an expression, found %1",
    "']' or ',' expected, found %1",
    "number, string, or identifier expected in object initialiser",
    "only left-hand-side expressions allowed",
    "too many variables in for-in expression",
    "expected 'case' or 'default' but found '%1'",
    "default case already defined",
    "%1 not in a function",
    "can't find label %1",
    "labeled 'continue' doesn't mark a loop",
    "'break' not in a 'for' or 'while' loop",
    "'continue' not in a 'for' or 'while' loop",
    "digit '%1' is not radix %2",
    "bad parse of numerical constant '%1'",
    "malformed hex escape sequence",
    "newline in string constant",
    "end of file in string constant",
    "unknown character '%1'",
    "expression nested too deeply",
    "code block too large",
    "too many variables",
    "too many names and strings",
    "too many functions",
};
static_assert(std::size(syntaxMessages) == std::size_t(ESSyntaxMessage::Count),
              "syntaxMessages out of step with ESSyntaxMessage");

struct ESTokenName
{
    int code;
    const char *name;
};

// Display names of the codes from 128; codes missing here print as "token<N>".
constexpr ESTokenName tokenNames[] = {
    {128, "end of input"}, {129, "&="}, {130, "|="}, {131, "^="}, {132, "<<="},
    {133, ">>="}, {134, ">>>="}, {135, "+="}, {136, "-="}, {137, "*="}, {138, "/="},
    {139, "%="}, {140, "||"}, {141, "&&"}, {142, "==="}, {143, "!=="}, {144, "=="},
    {145, "!="}, {146, "<="}, {147, ">="}, {148, "<<"}, {149, ">>"}, {150, ">>>"},
    {151, "++"}, {152, "--"}, {153, "a number"}, {154, "0"}, {155, "1"}, {156, "2"},
    {157, "3"}, {159, "an identifier"}, {161, "a string"}, {162, "this"},
    {163, "typeof"}, {164, "delete"}, {165, "void"}, {166, "while"}, {167, "for"},
    {168, "break"}, {169, "continue"}, {170, "with"}, {171, "return"},
    {172, "function"}, {173, "var"}, {174, "if"}, {175, "else"}, {176, "in"},
    {177, "new"}, {178, "case"}, {179, "default"}, {180, "switch"}, {181, "true"},
    {182, "false"}, {183, "null"}, {184, "#line"}, {185, "#col"}, {186, "++"},
    {187, "--"}, {188, "-"}, {189, "+"}, {190, "call"}, {191, "newcall"},
    {192, "forin"}, {193, "forvar"}, {194, "forvarin"}, {195, "arrayinit"},
    {196, "objectinit"}, {199, "catch"}, {200, "class"}, {201, "const"},
    {202, "debugger"}, {203, "do"}, {204, "enum"}, {205, "export"}, {206, "extends"},
    {207, "finally"}, {208, "import"}, {209, "super"}, {210, "throw"}, {211, "try"},
    {212, "try-catch"}, {213, "try-finally"}, {214, "try-catch-finally"},
};

struct ESKeyword
{
    const char *word;
    int code;
};

constexpr ESKeyword keywords[] = {
    {"break", ESTok::Break}, {"case", ESTok::Case}, {"catch", ESTok::Catch},
    {"class", ESTok::Class}, {"const", ESTok::Const}, {"continue", ESTok::Continue},
    {"debugger", ESTok::Debugger}, {"default", ESTok::Default}, {"delete", ESTok::Delete},
    {"do", ESTok::Do}, {"else", ESTok::Else}, {"enum", ESTok::Enum},
    {"export", ESTok::Export}, {"extends", ESTok::Extends}, {"finally", ESTok::Finally},
    {"for", ESTok::For}, {"function", ESTok::Function}, {"if", ESTok::If},
    {"import", ESTok::Import}, {"in", ESTok::In}, {"new", ESTok::New},
    {"return", ESTok::Return}, {"super", ESTok::Super}, {"switch", ESTok::Switch},
    {"this", ESTok::This}, {"throw", ESTok::Throw}, {"try", ESTok::Try},
    {"typeof", ESTok::TypeOf}, {"var", ESTok::Var}, {"void", ESTok::Void},
    {"while", ESTok::While}, {"with", ESTok::With}, {"true", ESTok::True},
    {"false", ESTok::False}, {"null", ESTok::Null},
};

} // namespace

QString ESTok::displayName(int code)
{
    if (code > 0 && code < 128)
        return QString(QChar(code));
    for (const ESTokenName &entry : tokenNames) {
        if (entry.code == code)
            return QString::fromLatin1(entry.name);
    }
    return QStringLiteral("token<%1>").arg(code);
}

int ESTok::keyword(const QString &word)
{
    static const QHash<QString, int> map = [] {
        QHash<QString, int> words;
        for (const ESKeyword &entry : keywords)
            words.insert(QString::fromLatin1(entry.word), entry.code);
        return words;
    }();
    return map.value(word, Identifier);
}

void esSyntaxError(ESContext *cx, int line, ESSyntaxMessage message, const QString &first,
                   const QString &second)
{
    QString text = QString::fromLatin1(syntaxMessages[int(message)]);
    if (text.contains(QLatin1String("%2")))
        text = text.arg(first, second);
    else if (text.contains(QLatin1String("%1")))
        text = text.arg(first);
    cx->setCurrentLine(line);
    cx->throwScriptError(cx->syntaxErrorClass(), text);
}

std::vector<std::unique_ptr<ESCodeBlock>> esCompile(ESContext *cx, const QString &source,
                                                    int firstNumber, bool scopeMode)
{
    ESParser parser(cx, source);
    ESFunctionScope *program = parser.parseProgram();
    ESCodeGenerator generator(cx, firstNumber, scopeMode);
    generator.compile(program);
    return std::move(generator.blocks());
}
