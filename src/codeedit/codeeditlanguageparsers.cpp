#include "codeeditlanguageparsers.h"

using Syntax = CodeEditStandardParser::Syntax;

// ---- Batch files

static Syntax batchSyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        "call", "cd", "chdir", "cls", "copy", "defined", "del", "dir", "do", "echo", "else",
        "endlocal", "equ", "erase", "errorlevel", "exist", "exit", "for", "geq", "goto", "gtr",
        "if", "in", "leq", "lss", "md", "mkdir", "move", "neq", "not", "nul", "off", "on",
        "pause", "popd", "pushd", "rd", "ren", "rename", "rmdir", "set", "setlocal", "shift",
        "start", "title", "type", "ver"};
    syntax.keywordCase = Qt::CaseInsensitive;
    syntax.cComments = false;
    syntax.quotes = {{'"', 0}};
    return syntax;
}

CodeEditBatchParser::CodeEditBatchParser() : CodeEditStandardParser(batchSyntax())
{
    addSpecialCharacters("%!");
}

bool CodeEditBatchParser::scanLineStart()
{
    scanLeadingWhitespace();
    if (lookingAt("::")) {
        switchTo(commentClass);
        copyRest();
        return true;
    }
    if (*m_in == ':') {
        switchTo(keywordClass);
        copyRest();
        return true;
    }
    if (*m_in == '@')
        scanOther();
    if (lookingAtCaseInsensitive("rem") && (m_in[3] == 0 || !isWordPart(m_in[3]))) {
        switchTo(commentClass);
        copyRest();
        return true;
    }
    return false;
}

// %name%, %1, %*, %~dp0, %%i and !name!.
bool CodeEditBatchParser::scanVariable()
{
    const ushort open = *m_in;
    int length = 0;
    if (open == '%' && (isDigit(m_in[1]) || m_in[1] == '*')) {
        length = 2;
    } else if (open == '%' && m_in[1] == '%' && isLetter(m_in[2])) {
        length = 3;
    } else if (open == '%' && m_in[1] == '~') {
        length = 2;
        while (isLetter(m_in[length]))
            ++length;
        if (isDigit(m_in[length]))
            ++length;
    } else if (open == '%' || open == '!') {
        length = 1;
        while (m_in[length] && m_in[length] != open
               && (open == '%' || isWordPart(m_in[length]))) {
            ++length;
        }
        if (m_in[length] != open || length == 1)
            return false;
        ++length;
    } else {
        return false;
    }
    switchTo(preprocessorClass);
    copy(length);
    return true;
}

bool CodeEditBatchParser::scanLiteral()
{
    return CodeEditStandardParser::scanLiteral() || scanVariable();
}

// ---- STAPL

static Syntax staplSyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        "ACTION", "BOOLEAN", "CALL", "CAPTURE", "COMPARE", "CRC", "CYCLES", "DATA", "DRSCAN",
        "DRSTOP", "ELSE", "ENDDATA", "ENDPROC", "EXIT", "EXPORT", "FOR", "GOTO", "IF", "INTEGER",
        "IRSCAN", "IRSTOP", "LET", "MAX", "NEXT", "NOTE", "OPTIONAL", "PADDING", "POP", "POSTDR",
        "POSTIR", "PREDR", "PREIR", "PRINT", "PROCEDURE", "PUSH", "RECOMMENDED", "STATE", "STEP",
        "THEN", "TO", "TRST", "USEC", "USES", "VECTOR", "WAIT", "RESET", "IDLE", "DRSELECT",
        "DRCAPTURE", "DRSHIFT", "DREXIT1", "DRPAUSE", "DREXIT2", "DRUPDATE", "IRSELECT",
        "IRCAPTURE", "IRSHIFT", "IREXIT1", "IRPAUSE", "IREXIT2", "IRUPDATE", "ABS", "BINARY",
        "CEIL", "CHR", "FLOOR", "HEX", "LOG2", "RLC", "SQRT", "ACA"};
    syntax.keywordCase = Qt::CaseInsensitive;
    syntax.cComments = false;
    syntax.lineComments = {"'"};
    syntax.quotes = {{'"', 0}};
    return syntax;
}

CodeEditSTAPLParser::CodeEditSTAPLParser() : CodeEditStandardParser(staplSyntax()) {}

// ---- Linker configuration

static Syntax linkScriptSyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        "align", "alignment", "alphabetical", "at", "block", "by", "code", "copy", "define", "do",
        "else", "end", "error", "except", "exclude", "expanding", "export", "exported", "extra",
        "fill", "first", "fixed", "from", "high", "if", "image", "in", "include", "initialize",
        "inline", "isdefinedsymbol", "keep", "last", "load", "manually", "maximum", "mem",
        "memory", "minimum", "no", "noload", "not", "object", "order", "overlay", "override",
        "packing", "place", "ram", "readonly", "readwrite", "region", "reserve", "ro", "rom",
        "root", "rw", "section", "sections", "size", "start", "static", "symbol", "to", "type",
        "use", "using", "with", "zeroinit", "zi"};
    syntax.wordStart = "_";
    syntax.quotes = {{'"', '\\'}};
    return syntax;
}

CodeEditIARLinkScriptParser::CodeEditIARLinkScriptParser()
    : CodeEditStandardParser(linkScriptSyntax())
{
}

// ---- Assembly

static Syntax assemblySyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        // directives
        ".align", ".arch", ".ascii", ".asciz", ".balign", ".bss", ".byte", ".cpu", ".data",
        ".else", ".end", ".endif", ".endm", ".endr", ".equ", ".extern", ".file", ".fpu",
        ".func", ".endfunc", ".global", ".globl", ".hword", ".if", ".ifdef", ".ifndef",
        ".include", ".long", ".ltorg", ".macro", ".p2align", ".pool", ".quad", ".rept",
        ".section", ".set", ".short", ".size", ".skip", ".space", ".string", ".syntax",
        ".text", ".thumb", ".thumb_func", ".type", ".weak", ".word", ".arm", ".code",
        "ALIGN", "ALIGNRAM", "ALIGNROM", "AREA", "CODE", "CODE16", "CODE32", "DATA", "DC8",
        "DC16", "DC32", "DCB", "DCD", "DCW", "DS8", "DS16", "DS32", "ELSE", "END", "ENDIF",
        "ENDM", "ENDR", "EQU", "EXPORT", "EXTERN", "IF", "IMPORT", "MACRO", "MODULE",
        "PUBLIC", "REPT", "RSEG", "SECTION", "THUMB", "ARM",
        // instructions
        "adc", "adcs", "add", "adds", "adr", "and", "ands", "asr", "asrs", "b", "beq", "bne",
        "bcs", "bcc", "bhs", "blo", "bmi", "bpl", "bvs", "bvc", "bhi", "bls", "bge", "blt",
        "bgt", "ble", "bal", "bic", "bics", "bkpt", "bl", "blx", "bx", "cbnz", "cbz", "clz",
        "cmn", "cmp", "cpsid", "cpsie", "dmb", "dsb", "eor", "eors", "isb", "it", "ite",
        "itt", "ldm", "ldmia", "ldr", "ldrb", "ldrd", "ldrex", "ldrh", "ldrsb", "ldrsh",
        "lsl", "lsls", "lsr", "lsrs", "mla", "mls", "mov", "movs", "movt", "movw", "mrs",
        "msr", "mul", "muls", "mvn", "mvns", "neg", "nop", "orn", "orr", "orrs", "pop",
        "push", "rev", "ror", "rors", "rsb", "rsbs", "sbc", "sbcs", "sdiv", "sev", "stm",
        "stmdb", "stmia", "str", "strb", "strd", "strex", "strh", "sub", "subs", "svc",
        "sxtb", "sxth", "tbb", "tbh", "teq", "tst", "udiv", "umull", "smull", "uxtb", "uxth",
        "vadd", "vldr", "vmov", "vmul", "vpop", "vpush", "vstr", "vsub", "wfe", "wfi"};
    syntax.keywordCase = Qt::CaseInsensitive;
    syntax.wordStart = "._";
    syntax.wordPart = ".";
    syntax.lineComments = {";", "@"};
    syntax.quotes = {{'"', '\\'}};
    syntax.preprocessor = true;
    return syntax;
}

CodeEditAssemblyParser::CodeEditAssemblyParser() : CodeEditStandardParser(assemblySyntax()) {}

// ---- BASIC

static Syntax basicSyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        "and", "as", "boolean", "byval", "byref", "call", "case", "const", "data", "declare",
        "def", "dim", "do", "double", "else", "elseif", "end", "endif", "exit", "false", "for",
        "function", "gosub", "goto", "if", "input", "integer", "let", "long", "loop", "mod",
        "next", "not", "on", "or", "print", "read", "redim", "restore", "return", "select",
        "single", "step", "stop", "string", "sub", "then", "to", "true", "until", "wend", "while",
        "xor"};
    syntax.keywordCase = Qt::CaseInsensitive;
    syntax.wordPart = "$%";
    syntax.cComments = false;
    syntax.lineComments = {"'"};
    syntax.quotes = {{'"', 0}};
    return syntax;
}

CodeEditBASICParser::CodeEditBASICParser() : CodeEditStandardParser(basicSyntax())
{
    addSpecialCharacters("rR");
}

// REM is a statement: as a whole word it comments out the rest of the line.
bool CodeEditBASICParser::scanComment()
{
    if (CodeEditStandardParser::scanComment())
        return true;
    if (m_state != normalState || !lookingAtCaseInsensitive("rem") || isWordPart(m_in[3]))
        return false;
    switchTo(commentClass);
    copyRest();
    return true;
}

// ---- Device tree sources

static Syntax dtsSyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        "compatible", "model", "phandle", "status", "#address-cells", "#size-cells", "reg",
        "virtual-reg", "ranges", "dma-ranges", "device_type", "interrupts", "interrupt-parent",
        "interrupts-extended", "interrupt-controller", "#interrupt-cells", "interrupt-map",
        "interrupt-map-mask", "clocks", "clock-names", "#clock-cells", "clock-frequency",
        "pinctrl-names", "pinctrl-0", "gpios", "#gpio-cells", "gpio-controller", "bootargs",
        "stdout-path"};
    syntax.wordStart = "_#";
    syntax.wordPart = ",-+?#";
    syntax.quotes = {{'"', '\\'}};
    syntax.preprocessor = true;
    return syntax;
}

CodeEditDTSParser::CodeEditDTSParser() : CodeEditStandardParser(dtsSyntax())
{
    addSpecialCharacters("&");
}

bool CodeEditDTSParser::scanLiteral()
{
    if (CodeEditStandardParser::scanLiteral())
        return true;
    if (*m_in == '/') {
        // "/dts-v1/", "/include/", "/delete-node/", "/bits/", ...
        int length = 1;
        while (isLetterOrDigit(m_in[length]) || m_in[length] == '-')
            ++length;
        if (length == 1 || m_in[length] != '/')
            return false;
        switchTo(keywordClass);
        copy(length + 1);
        return true;
    }
    if (*m_in == '&') {
        // A reference to a label, or to a path in braces: &uart0, &{/soc/uart@0}.
        int length = 1;
        if (m_in[1] == '{') {
            while (m_in[length] && m_in[length] != '}')
                ++length;
            if (m_in[length] == '}')
                ++length;
        } else {
            while (isWordPart(m_in[length]))
                ++length;
        }
        if (length == 1)
            return false;
        switchTo(preprocessorClass);
        copy(length);
        return true;
    }
    return false;
}

// ---- VHDL

static Syntax vhdlSyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        "abs", "access", "after", "alias", "all", "and", "architecture", "array", "assert",
        "assume", "attribute", "begin", "block", "body", "buffer", "bus", "case", "component",
        "configuration", "constant", "context", "cover", "default", "disconnect", "downto",
        "else", "elsif", "end", "entity", "exit", "fairness", "file", "for", "force", "function",
        "generate", "generic", "group", "guarded", "if", "impure", "in", "inertial", "inout",
        "is", "label", "library", "linkage", "literal", "loop", "map", "mod", "nand", "new",
        "next", "nor", "not", "null", "of", "on", "open", "or", "others", "out", "package",
        "parameter", "port", "postponed", "procedure", "process", "property", "protected", "pure",
        "range", "record", "register", "reject", "release", "rem", "report", "restrict", "return",
        "rol", "ror", "select", "sequence", "severity", "shared", "signal", "sla", "sll", "sra",
        "srl", "strong", "subtype", "then", "to", "transport", "type", "unaffected", "units",
        "until", "use", "variable", "vmode", "vprop", "vunit", "wait", "when", "while", "with",
        "xnor", "xor"};
    syntax.keywordCase = Qt::CaseInsensitive;
    syntax.lineComments = {"--"};
    // A doubled quote inside a string closes and reopens it, which colours the same.
    syntax.quotes = {{'"', 0}};
    return syntax;
}

CodeEditVHDLParser::CodeEditVHDLParser() : CodeEditStandardParser(vhdlSyntax())
{
    addSpecialCharacters("'");
}

// 'x' is a character literal; any other apostrophe starts an attribute (clk'event).
bool CodeEditVHDLParser::scanLiteral()
{
    if (CodeEditStandardParser::scanLiteral())
        return true;
    if (m_in[0] != '\'' || m_in[1] == 0 || m_in[2] != '\'')
        return false;
    switchTo(literalClass);
    copy(3);
    return true;
}

// ---- Serial Vector Format

static Syntax svfSyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        "ENDDR", "ENDIR", "FREQUENCY", "HDR", "HIR", "PIO", "PIOMAP", "RUNTEST", "SDR", "SIR",
        "STATE", "TDR", "TIR", "TRST", "TDI", "TDO", "MASK", "SMASK", "TCK", "SCK", "SEC", "HZ",
        "MAXIMUM", "ENDSTATE", "ON", "OFF", "Z", "ABSENT", "RESET", "IDLE", "DRSELECT",
        "DRCAPTURE", "DRSHIFT", "DREXIT1", "DRPAUSE", "DREXIT2", "DRUPDATE", "IRSELECT",
        "IRCAPTURE", "IRSHIFT", "IREXIT1", "IRPAUSE", "IREXIT2", "IRUPDATE"};
    syntax.keywordCase = Qt::CaseInsensitive;
    syntax.cComments = false;
    syntax.lineComments = {"!", "//"};
    syntax.quotes = {};
    return syntax;
}

CodeEditSVFParser::CodeEditSVFParser() : CodeEditStandardParser(svfSyntax())
{
    addSpecialCharacters("(");
}

bool CodeEditSVFParser::scanLiteral()
{
    if (m_state != bitStringState) {
        if (*m_in != '(' || m_state != normalState)
            return false;
        m_state = bitStringState;
    }
    switchTo(literalClass);
    if (copyThrough(")"))
        m_state = normalState;
    return true;
}
