#include "codeeditcparser.h"

namespace {

// At most this many characters between the quote and the parenthesis of a raw string.
constexpr int maxDelimiterLength = 16;

bool isDelimiterCharacter(ushort c)
{
    return c > ' ' && c < 127 && c != '(' && c != ')' && c != '\\' && c != '"';
}

} // namespace

QStringList CodeEditCParser::cKeywords()
{
    return {"auto", "break", "case", "char", "const", "continue", "default", "do", "double",
            "else", "enum", "extern", "float", "for", "goto", "if", "inline", "int", "long",
            "register", "restrict", "return", "short", "signed", "sizeof", "static",
            "struct", "switch", "typedef", "union", "unsigned", "void", "volatile", "while",
            "_Alignas", "_Alignof", "_Atomic", "_Bool", "_Complex", "_Generic", "_Imaginary",
            "_Noreturn", "_Static_assert", "_Thread_local"};
}

QStringList CodeEditCParser::cppKeywords()
{
    return {"alignas", "alignof", "and", "and_eq", "asm", "bitand", "bitor", "bool", "catch",
            "char8_t", "char16_t", "char32_t", "class", "co_await", "co_return", "co_yield",
            "compl", "concept", "const_cast", "consteval", "constexpr", "constinit",
            "decltype", "delete", "dynamic_cast", "explicit", "export", "false", "final",
            "friend", "mutable", "namespace", "new", "noexcept", "not", "not_eq", "nullptr",
            "operator", "or", "or_eq", "override", "private", "protected", "public",
            "reinterpret_cast", "requires", "static_assert", "static_cast", "template",
            "this", "thread_local", "throw", "true", "try", "typeid", "typename", "using",
            "virtual", "wchar_t", "xor", "xor_eq"};
}

CodeEditStandardParser::Syntax CodeEditCParser::syntax(Dialect dialect)
{
    Syntax syntax;
    syntax.keywords = cKeywords();
    if (dialect == Dialect::Cpp)
        syntax.keywords += cppKeywords();
    syntax.wordStart = "_";
    syntax.preprocessor = true;
    return syntax;
}

CodeEditCParser::CodeEditCParser(Dialect dialect)
    : CodeEditStandardParser(syntax(dialect)), m_dialect(dialect)
{
    if (dialect == Dialect::Cpp)
        addSpecialCharacters("RuUL");
}

int CodeEditCParser::rawStringState(const ushort *delimiter, int length)
{
    uint h = 2166136261u;  // FNV-1a
    for (int i = 0; i < length; ++i) {
        h ^= delimiter[i];
        h *= 16777619u;
    }
    return rawStringFlag | int(h & 0x3FFFFFFF);
}

// R"delimiter(, optionally after an encoding prefix u8, u, U or L.
bool CodeEditCParser::scanRawStringStart()
{
    if (m_dialect != Dialect::Cpp || m_state != normalState)
        return false;
    int prefix = 0;
    if (lookingAt("u8R\""))
        prefix = 3;
    else if (lookingAt("uR\"") || lookingAt("UR\"") || lookingAt("LR\""))
        prefix = 2;
    else if (lookingAt("R\""))
        prefix = 1;
    else
        return false;
    const ushort *delimiter = m_in + prefix + 1;
    int length = 0;
    while (length <= maxDelimiterLength && isDelimiterCharacter(delimiter[length]))
        ++length;
    if (length > maxDelimiterLength || delimiter[length] != '(')
        return false;  // not a raw string: the prefix is an identifier, then a string
    switchTo(literalClass);
    copy(prefix + 1 + length + 1);
    m_state = rawStringState(delimiter, length);
    scanRawStringEnd();
    return true;
}

// Inside a raw string nothing is special but ")delimiter\"".
bool CodeEditCParser::scanRawStringEnd()
{
    if (!(m_state & rawStringFlag))
        return false;
    switchTo(literalClass);
    while (*m_in) {
        if (*m_in == ')') {
            int length = 0;
            while (length <= maxDelimiterLength && isDelimiterCharacter(m_in[1 + length]))
                ++length;
            // The delimiter may end in characters that are not part of this one, as in
            // ")ab)ab\"": only a run followed by the quote can close.
            if (length <= maxDelimiterLength && m_in[1 + length] == '"'
                && rawStringState(m_in + 1, length) == m_state) {
                copy(length + 2);
                m_state = normalState;
                return true;
            }
        }
        copy();
    }
    return true;
}
