// The outer interpreter, the dictionary, the data space and the compiler's helpers.

#include "forthsystem_p.h"

#include <sys/mman.h>

#include <cctype>

namespace {

bool isBlank(char c)
{
    return uchar(c) <= ' ';
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

// A float: digits with a '.' or an exponent ("1.5", "2e3", "1e", "-0.25E-2").
bool parseFloat(const QByteArray &text, double *value)
{
    int i = 0, digits = 0;
    bool dot = false, exponent = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    for (; i < text.size() && (std::isdigit(uchar(text[i])) || text[i] == '.'); ++i) {
        if (text[i] == '.') {
            if (dot)
                return false;
            dot = true;
        } else {
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        exponent = true;
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            ++i;
        while (i < text.size() && std::isdigit(uchar(text[i])))
            ++i;
    }
    if (i != text.size() || (!dot && !exponent))
        return false;
    QByteArray normal = text;
    if (normal.endsWith('e') || normal.endsWith('E'))
        normal += '0';
    bool ok = false;
    *value = normal.toDouble(&ok);
    return ok;
}

// An integer in decimal, or with a base prefix: $ hex, # decimal, % binary; a minus sign
// may follow the prefix. 'c' is the character c.
bool parseInteger(const QByteArray &text, int64_t *value)
{
    if (text.size() == 3 && text[0] == '\'' && text[2] == '\'') {
        *value = uchar(text[1]);
        return true;
    }
    int i = 0, base = 10;
    if (i < text.size() && (text[i] == '$' || text[i] == '#' || text[i] == '%')) {
        base = text[i] == '$' ? 16 : text[i] == '#' ? 10 : 2;
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (negative)
        ++i;
    if (i == text.size())
        return false;
    uint64_t result = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i]);
        if (digit >= base)
            return false;
        result = result * uint64_t(base) + uint64_t(digit);
    }
    *value = int64_t(negative ? 0 - result : result);
    return true;
}

} // namespace

ForthSystem::ForthSystem()
{
    m_regions.resize(RegionInput + maxSourceDepth);
    PMemory &dictionaryRegion = dictionary();
    dictionaryRegion.kind = PMemoryKind::PUMemory;
    void *reserved = mmap(nullptr, size_t(dictionaryCells) * sizeof(Cell),
                          PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                          -1, 0);
    if (reserved == MAP_FAILED)
        throw ForthException(-9, "cannot reserve the data space");
    // Large pages where the kernel offers them: a big array walked with a stride (a
    // sieve) then costs far fewer page faults and TLB misses.
    madvise(reserved, size_t(dictionaryCells) * sizeof(Cell), MADV_HUGEPAGE);
    dictionaryRegion.cells = static_cast<Cell *>(reserved);
    dictionaryRegion.capacity = dictionaryCells;
    for (int region = RegionSystem; region < int(m_regions.size()); ++region) {
        m_regions[region].kind = region >= RegionInput ? PMemoryKind::PIMemory
                                                       : PMemoryKind::PHMemory;
    }
    PMemory &system = m_regions[RegionSystem];
    system.storage.assign(1, intCell(0));
    system.cells = system.storage.data();
    system.allotted = 1;
    m_state = system.cells;
    PMemory &word = m_regions[RegionWord];
    word.storage.assign(257, intCell(0));
    word.cells = word.storage.data();
    word.capacity = 257;

    m_output = [](const char *data, size_t size) { std::fwrite(data, 1, size, stdout); };
    m_forth = newWordlist("FORTH");
    m_order.push_back(m_forth);
    m_current = m_forth;
    registerCoreWords(*this);
    registerCompilerWords(*this);
    registerSearchWords(*this);
    registerFileWords(*this);
    defineConstant("FALSE", intCell(0));
    defineConstant("TRUE", intCell(-1));
}

ForthSystem::~ForthSystem()
{
    munmap(dictionary().cells, size_t(dictionaryCells) * sizeof(Cell));
}

// --- The outer interpreter --------------------------------------------------------------

void ForthSystem::interpretSource(InputSource input)
{
    if (int(m_sources.size()) >= maxSourceDepth)
        throw ForthException(-5, "input sources nested too deeply");
    m_sources.push_back(std::move(input));
    struct PopSource
    {
        std::vector<InputSource> &sources;
        ~PopSource() { sources.pop_back(); }
    } popSource{m_sources};
    try {
        while (refill())
            interpretLine();
    } catch (ForthException &error) {
        if (!error.hasLocation())
            error.setLocation(source().name, source().lineNumber);
        throw;
    }
}

void ForthSystem::interpretLine()
{
    for (;;) {
        const QByteArray name = parseName();
        if (name.isEmpty())
            return;
        interpretName(name);
    }
}

void ForthSystem::interpretName(const QByteArray &name)
{
    int local = -1;
    if (PCFA *word = find(name, &local)) {
        if (compiling() && !word->isImmediate())
            compileWord(word);
        else
            execute(word);
        return;
    }
    if (local >= 0) {
        if (!compiling())
            throw ForthException(-14, "local variable execution not supported");
        emitOp(Op::PLocalFetch, 0, local);
        return;
    }
    int64_t integer;
    double real;
    Cell number;
    if (parseInteger(name, &integer))
        number = intCell(integer);
    else if (parseFloat(name, &real))
        number = floatCell(real);
    else
        throw ForthException(-13, name);
    if (compiling())
        emitLiteral(number);
    else
        push(number);
}

bool ForthSystem::refill()
{
    InputSource &input = source();
    if (input.id == -1) {
        if (input.hasLine)
            return false;
        input.hasLine = true;
    } else if (input.id > 0) {
        QFile *file = fileFromId(input.id);
        if (!file || !file->isReadable() || file->atEnd())
            return false;
        input.line = file->readLine();
        ++input.lineNumber;
    } else {
        if (input.textPosition >= input.text.size())
            return false;
        int end = input.text.indexOf('\n', input.textPosition);
        if (end < 0)
            end = input.text.size();
        input.line = input.text.mid(input.textPosition, end - input.textPosition);
        input.textPosition = end + 1;
        ++input.lineNumber;
    }
    while (input.line.endsWith('\n') || input.line.endsWith('\r'))
        input.line.chop(1);
    input.in = 0;
    // The line is in the data space too, for the addresses PARSE and WORD answer.
    PMemory &region = m_regions[RegionInput + m_sources.size() - 1];
    region.storage.resize(size_t(input.line.size()) + 1);
    for (int i = 0; i < input.line.size(); ++i)
        region.storage[size_t(i)] = intCell(uchar(input.line[i]));
    region.cells = region.storage.data();
    region.allotted = input.line.size();
    return true;
}

QByteArray ForthSystem::parseName()
{
    InputSource &input = source();
    const QByteArray &line = input.line;
    int i = input.in;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    const int start = i;
    while (i < line.size() && !isBlank(line[i]))
        ++i;
    input.in = i < line.size() ? i + 1 : i;
    return line.mid(start, i - start);
}

QByteArray ForthSystem::parse(char delimiter)
{
    InputSource &input = source();
    const int start = input.in;
    int end = input.line.indexOf(delimiter, start);
    if (end < 0 || start >= input.line.size()) {
        end = input.line.size();
        input.in = end;
    } else {
        input.in = end + 1;
    }
    return input.line.mid(start, end - start);
}

QByteArray ForthSystem::parseClosed(char delimiter, const char *what)
{
    InputSource &input = source();
    if (input.in < input.line.size() && input.line.indexOf(delimiter, input.in) >= 0)
        return parse(delimiter);
    input.in = input.line.size();
    throw ForthException(-39, QByteArray("unterminated ") + what);
}

Cell ForthSystem::inputAddress(int offset) const
{
    return dataCell(RegionInput + int(m_sources.size()) - 1, offset);
}

void ForthSystem::includeFile(const QString &fileName)
{
    auto entry = std::make_unique<OpenFile>();
    entry->file.setFileName(fileName);
    if (!entry->file.open(QIODevice::ReadOnly))
        throw ForthException(-38, fileName.toUtf8());
    m_files.push_back(std::move(entry));
    const int64_t id = int64_t(m_files.size());
    struct CloseFile
    {
        std::vector<std::unique_ptr<OpenFile>> &files;
        int64_t id;
        ~CloseFile() { files[size_t(id - 1)].reset(); }
    } closeFile{m_files, id};
    includeOpenFile(id, fileName);
}

void ForthSystem::includeOpenFile(int64_t fileId, const QString &name)
{
    InputSource input;
    input.name = name;
    input.id = fileId;
    interpretSource(std::move(input));
}

QFile *ForthSystem::fileFromId(int64_t fileId)
{
    if (fileId < 1 || fileId > int64_t(m_files.size()) || !m_files[size_t(fileId - 1)])
        return nullptr;
    return &m_files[size_t(fileId - 1)]->file;
}

void ForthSystem::resetAfterError()
{
    m_sp = m_stack;
    m_rp = m_rstack;
    m_lp = m_loops;
    m_localsTop = 0;
    m_localsFrame = 0;
    m_control.clear();
    m_localNames.clear();
    m_localsEnter = -1;
    m_defining = nullptr;
    setCompiling(false);
    forthInterruptRequested = 0;
}

// --- Stacks and data space ----------------------------------------------------------------

int64_t ForthSystem::popInt()
{
    const Cell cell = pop();
    if (cell.kind != CellKind::Int)
        throwTypeError("invalid operand combination");
    return cell.i;
}

double ForthSystem::popFloat()
{
    const Cell cell = pop();
    if (cell.kind == CellKind::Float)
        return cell.f;
    throwTypeError("float required");
}

PCFA *ForthSystem::popWord()
{
    const Cell cell = pop();
    if (cell.kind != CellKind::Code)
        throwTypeError("not a code address");
    return cell.word;
}

void ForthSystem::allot(int64_t cells)
{
    PMemory &region = dictionary();
    if (cells < -region.allotted || cells > region.capacity - region.allotted)
        throw ForthException(-24, "ALLOT " + QByteArray::number(qlonglong(cells))
                                      + " outside the data space");
    const int64_t from = region.allotted;
    region.allotted += cells;
    // Freshly allotted cells read as 0 even when they were released and allotted again;
    // cells never used are still the kernel's zero pages, which is the same.
    if (cells > 0 && from < region.used)
        std::fill(region.cells + from, region.cells + qMin(region.used, region.allotted),
                  intCell(0));
    region.used = qMax(region.used, region.allotted);
}

void ForthSystem::comma(const Cell &cell)
{
    allot(1);
    dictionary().cells[dictionary().allotted - 1] = cell;
}

QByteArray ForthSystem::readString(const Cell &address, int64_t length)
{
    if (length < 0)
        throw ForthException(-24, "negative string length");
    QByteArray text;
    if (length == 0)
        return text;
    Cell last = address;
    last.i += length - 1;
    cellAt(last, false);
    const Cell *cells = cellAt(address, false);
    text.resize(int(length));
    for (int64_t i = 0; i < length; ++i) {
        if (cells[i].kind != CellKind::Int)
            throwTypeError("invalid operand combination");
        text[int(i)] = char(cells[i].i);
    }
    return text;
}

Cell ForthSystem::transientString(const QByteArray &text)
{
    PMemory &region = m_regions[RegionTransient];
    if (text.size() > transientCells)
        throw ForthException(-17);
    // A ring: the oldest strings are overwritten once the region is full; `used` is
    // where the next string goes.
    if (region.used + text.size() > transientCells)
        region.used = 0;
    const int64_t start = region.used;
    region.used += text.size();
    if (int64_t(region.storage.size()) < region.used) {
        region.storage.resize(size_t(qMax<int64_t>(region.used, 2 * region.storage.size())));
        region.cells = region.storage.data();
    }
    for (int i = 0; i < text.size(); ++i)
        region.cells[start + i] = intCell(uchar(text[i]));
    region.allotted = qMax(region.allotted, region.used);
    return dataCell(RegionTransient, start);
}

Cell ForthSystem::dictionaryString(const QByteArray &text)
{
    const Cell start = here();
    if (text.isEmpty())
        return start;
    allot(text.size());
    Cell *cells = cellAt(start, true);
    for (int i = 0; i < text.size(); ++i)
        cells[i] = intCell(uchar(text[i]));
    return start;
}

QByteArray ForthSystem::cellText(const Cell &cell)
{
    switch (cell.kind) {
    case CellKind::Int:
        return QByteArray::number(qlonglong(cell.i));
    case CellKind::Float:
        return QByteArray::number(cell.f, 'g', 15);
    case CellKind::String:
        return *cell.text;
    case CellKind::Code:
        return "#<CODE-ADDRESS "
               + (cell.word->name.isEmpty() ? QByteArray("(NONAME-CHILD)") : cell.word->name)
               + '>';
    case CellKind::Data:
        return "#<DATA-ADDRESS";
    case CellKind::Return:
        break;
    }
    return "#<RETURN-ADDRESS>";
}

QByteArray ForthSystem::stackText() const
{
    QByteArray text = '<' + QByteArray::number(qlonglong(depth())) + "> ";
    for (const Cell *cell = m_stack; cell < m_sp; ++cell)
        text += cellText(*cell) + ' ';
    return text;
}

// --- The dictionary -----------------------------------------------------------------------

PCFA *ForthSystem::find(const QByteArray &name, int *localIndex)
{
    const QByteArray key = name.toUpper();
    if (localIndex && m_defining) {
        for (int i = int(m_localNames.size()) - 1; i >= 0; --i) {
            if (m_localNames[size_t(i)] == key) {
                *localIndex = i;
                return nullptr;
            }
        }
    }
    for (const Wordlist *list : m_order) {
        if (PCFA *word = list->index.value(key))
            return word;
    }
    // With an empty search order the words that set one up are still found.
    if (m_order.empty() && (key == "ONLY" || key == "FORTH" || key == "SET-ORDER"))
        return m_forth->index.value(key);
    return nullptr;
}

PCFA *ForthSystem::define(const QByteArray &name, WordKind kind, int flags)
{
    m_words.push_back(std::make_unique<PCFA>());
    PCFA *word = m_words.back().get();
    word->name = name;
    word->kind = kind;
    word->flags = flags;
    word->value = intCell(0);
    if (!name.isEmpty())
        link(word);
    return word;
}

void ForthSystem::link(PCFA *word)
{
    m_current->words.push_back(word);
    m_current->index.insert(word->name.toUpper(), word);
    m_latest = word;
}

PCFA *ForthSystem::addNative(const char *name, NativeFn fn, int flags)
{
    PCFA *word = define(name, WordKind::Native, flags);
    Instr instr{};
    instr.op = Op::PNative;
    instr.fn = fn;
    word->code.push_back(instr);
    word->code.push_back(Instr{Op::PExit, 0, {0}});
    return word;
}

PCFA *ForthSystem::addPrimitive(const char *name, Op op, int flags)
{
    PCFA *word = define(name, WordKind::Primitive, flags);
    word->code.push_back(Instr{op, 0, {0}});
    word->code.push_back(Instr{Op::PExit, 0, {0}});
    return word;
}

PCFA *ForthSystem::defineConstant(const QByteArray &name, const Cell &value, WordKind kind)
{
    PCFA *word = define(name, kind);
    Instr instr;
    instr.op = Op::PLiteral;
    instr.arg = int32_t(value.kind);
    instr.i = value.i;
    word->code.push_back(instr);
    word->code.push_back(Instr{Op::PExit, 0, {0}});
    word->value = value;
    return word;
}

Wordlist *ForthSystem::newWordlist(const QByteArray &name)
{
    m_wordlists.push_back(std::make_unique<Wordlist>());
    Wordlist *list = m_wordlists.back().get();
    list->name = name;
    list->id = int64_t(m_wordlists.size());
    return list;
}

Wordlist *ForthSystem::wordlistFromId(int64_t id)
{
    if (id < 1 || id > int64_t(m_wordlists.size()))
        throw ForthException(-266, QByteArray::number(qlonglong(id)));
    return m_wordlists[size_t(id - 1)].get();
}

QByteArray ForthSystem::parseDefinitionName()
{
    const QByteArray name = parseName();
    if (name.isEmpty())
        throw ForthException(-39, "name expected");
    return name;
}

// --- The compiler -------------------------------------------------------------------------

std::vector<Instr> &ForthSystem::code()
{
    if (!m_defining)
        throw ForthException(-14);
    return m_defining->code;
}

int ForthSystem::emitOp(Op op, int64_t operand, int arg)
{
    std::vector<Instr> &body = code();
    Instr instr;
    instr.op = op;
    instr.arg = arg;
    instr.i = operand;
    body.push_back(instr);
    return int(body.size()) - 1;
}

void ForthSystem::emitLiteral(const Cell &cell)
{
    if (!m_defining)
        throw ForthException(-14);
    Instr instr;
    instr.op = Op::PLiteral;
    instr.arg = int32_t(cell.kind);
    instr.i = cell.i;
    m_defining->code.push_back(instr);
}

void ForthSystem::compileWord(PCFA *word)
{
    if (!m_defining)
        throw ForthException(-256);
    if (word->kind == WordKind::PColonChild || word->kind == WordKind::PColonNonameChild) {
        Instr instr;
        instr.op = Op::PCall;
        instr.arg = 0;
        instr.word = word;
        m_defining->code.push_back(instr);
        return;
    }
    if (word->kind == WordKind::Primitive && fuseWithLiteral(word->code[0].op))
        return;
    // Thunks are copied without their PExit: a primitive costs no call.
    const std::vector<Instr> thunk = word->code;
    m_defining->code.insert(m_defining->code.end(), thunk.begin(), thunk.end() - 1);
}

// An integer literal and the operator after it become one instruction, unless a branch
// goes to the operator.
bool ForthSystem::fuseWithLiteral(Op op)
{
    static const QHash<int, Op> fused = {
        {int(Op::Add), Op::AddLiteral}, {int(Op::Sub), Op::SubLiteral},
        {int(Op::Less), Op::LessLiteral}, {int(Op::Greater), Op::GreaterLiteral},
        {int(Op::Equal), Op::EqualLiteral}, {int(Op::And), Op::AndLiteral},
    };
    std::vector<Instr> &body = m_defining->code;
    const auto it = fused.constFind(int(op));
    if (it == fused.constEnd() || body.empty() || m_labelAt == int(body.size())
        || body.back().op != Op::PLiteral || body.back().arg != int32_t(CellKind::Int))
        return false;
    body.back().op = *it;
    return true;
}

void ForthSystem::markLabel()
{
    m_labelAt = int(code().size());
}

void ForthSystem::resolveForward(int from)
{
    std::vector<Instr> &body = code();
    body[size_t(from)].arg = int32_t(body.size()) - from;
    markLabel();
}

void ForthSystem::branchBack(Op op, int to)
{
    const int at = emitOp(op);
    code()[size_t(at)].arg = to - at;
}

CSItem ForthSystem::popControl(ControlKind kind, const char *message)
{
    if (m_control.empty() || m_control.back().kind != kind)
        throw ForthException(-22, message);
    CSItem item = m_control.back();
    m_control.pop_back();
    return item;
}

int ForthSystem::controlDepthOf(ControlKind kind) const
{
    for (int i = int(m_control.size()) - 1; i >= 0; --i) {
        if (m_control[size_t(i)].kind == kind)
            return int(m_control.size()) - 1 - i;
        if (m_control[size_t(i)].kind == ControlKind::CSColonSys)
            break;
    }
    return -1;
}

void ForthSystem::beginDefinition(PCFA *word)
{
    if (m_defining)
        throw ForthException(-22, "definition inside a definition");
    m_defining = word;
    m_control.push_back(CSItem{ControlKind::CSColonSys, 0, {}});
    m_localNames.clear();
    m_localsEnter = -1;
    setCompiling(true);
}

void ForthSystem::endDefinition()
{
    if (m_localsEnter >= 0)
        code()[size_t(m_localsEnter)].arg = int(m_localNames.size());
    PCFA *word = m_defining;
    m_defining = nullptr;
    m_localNames.clear();
    m_localsEnter = -1;
    if (m_definingLinks)
        link(word);
    m_latest = word;
    m_definingLinks = false;
    setCompiling(false);
}

void ForthSystem::declareLocal(const QByteArray &name, bool fromStack)
{
    if (m_localsEnter < 0)
        m_localsEnter = emitOp(Op::PLocalsEnter);
    m_localNames.push_back(name.toUpper());
    const int index = int(m_localNames.size()) - 1;
    if (!fromStack)
        emitLiteral(intCell(0));
    emitOp(Op::PLocalStore, 0, index);
}

void ForthSystem::compileExit()
{
    for (int i = int(m_control.size()) - 1;
         i >= 0 && m_control[size_t(i)].kind != ControlKind::CSColonSys; --i) {
        if (m_control[size_t(i)].kind == ControlKind::CSDoSys)
            emitOp(Op::PUnloop);
    }
    if (m_localsEnter >= 0)
        emitOp(Op::PLocalsLeave);
    emitOp(Op::PExit);
}
