// Word lists and the search order. A word list id is an integer cell, its index among
// the lists plus one; the search order is at most maxOrder lists, the first searched
// first.

#include "forthsystem_p.h"

namespace {

using S = ForthSystem;

QByteArray listName(const Wordlist *list)
{
    return list->name.isEmpty() ? QByteArray("ANON-WORDLIST") : list->name;
}

// ( wid -- ) replaces the first list of the search order
void vocabularyRun(S &s)
{
    Wordlist *list = s.wordlistFromId(s.popInt());
    if (s.m_order.empty())
        throw ForthException(-50, "No search order (VOCABULARY)");
    s.m_order.front() = list;
}

// ( -- )
void forth(S &s)
{
    s.pushInt(s.m_forth->id);
    vocabularyRun(s);
}

// ( "name" -- )
void vocabulary(S &s)
{
    const QByteArray name = s.parseDefinitionName();
    Wordlist *list = s.newWordlist(name);
    PCFA *word = s.defineConstant(name, intCell(list->id), WordKind::FVocabularyChild);
    word->vocabulary = list;
    Instr run;
    run.op = Op::PNative;
    run.arg = 0;
    run.fn = vocabularyRun;
    word->code.insert(word->code.end() - 1, run);
}

// ( -- )
void definitions(S &s)
{
    if (s.m_order.empty())
        throw ForthException(-50);
    s.m_current = s.m_order.front();
}

// ( wid -- 0 | xt 1 | xt -1 ) the answer of FIND and SEARCH-WORDLIST for `word`
void pushFound(S &s, PCFA *word)
{
    if (!word) {
        s.pushInt(0);
        return;
    }
    s.push(codeCell(word));
    s.pushInt(word->isImmediate() ? 1 : -1);
}

// ( c-addr -- c-addr 0 | xt 1 | xt -1 )
void find(S &s)
{
    const Cell address = s.pop();
    const int64_t length = s.cellAt(address, false)->i;
    Cell text = address;
    text.i += 1;
    PCFA *word = s.find(s.readString(text, length));
    if (!word)
        s.push(address);
    pushFound(s, word);
}

// ( c-addr u wid -- 0 | xt 1 | xt -1 )
void searchWordlist(S &s)
{
    Wordlist *list = s.wordlistFromId(s.popInt());
    const int64_t length = s.popInt();
    const QByteArray name = s.readString(s.pop(), length).toUpper();
    pushFound(s, list->index.value(name));
}

void forthWordlist(S &s) { s.pushInt(s.m_forth->id); }
void getCurrent(S &s) { s.pushInt(s.m_current->id); }
void setCurrent(S &s) { s.m_current = s.wordlistFromId(s.popInt()); }
void wordlist(S &s) { s.pushInt(s.newWordlist(QByteArray())->id); }

// ( -- widn ... wid1 n )
void getOrder(S &s)
{
    for (auto it = s.m_order.rbegin(); it != s.m_order.rend(); ++it)
        s.pushInt((*it)->id);
    s.pushInt(int64_t(s.m_order.size()));
}

// ( widn ... wid1 n -- ) -1 for the minimum order
void setOrder(S &s)
{
    const int64_t count = s.popInt();
    if (count == -1) {
        s.m_order = {s.m_forth};
        return;
    }
    if (count < 0)
        throw ForthException(-24, QByteArray::number(qlonglong(count)));
    if (count > S::maxOrder)
        throw ForthException(-49);
    s.need(int(count));
    std::vector<Wordlist *> order;
    for (int64_t i = 0; i < count; ++i)
        order.push_back(s.wordlistFromId(s.m_sp[-1 - i].i));
    s.m_sp -= count;
    s.m_order = order;
}

// ( -- ) names of the first list, the latest first
void words(S &s)
{
    if (s.m_order.empty())
        return;
    const Wordlist *list = s.m_order.front();
    QByteArray text;
    for (auto it = list->words.rbegin(); it != list->words.rend(); ++it) {
        if (!(*it)->isPrivate && list->index.value((*it)->name.toUpper()) == *it)
            text += (*it)->name + ' ';
    }
    s.output(text + '\n');
}

void also(S &s)
{
    if (s.m_order.empty())
        throw ForthException(-50);
    if (int(s.m_order.size()) >= S::maxOrder)
        throw ForthException(-49);
    s.m_order.insert(s.m_order.begin(), s.m_order.front());
}

// ( -- ) "ORDER1 ORDER2 ...  CURRENT"
void order(S &s)
{
    QByteArray text;
    for (const Wordlist *list : s.m_order)
        text += listName(list) + ' ';
    s.output(text + ' ' + listName(s.m_current) + '\n');
}

void only(S &s) { s.m_order = {s.m_forth}; }

void previous(S &s)
{
    if (s.m_order.size() <= 1)
        throw ForthException(-50);
    s.m_order.erase(s.m_order.begin());
}

struct Entry
{
    const char *name;
    NativeFn fn;
};

constexpr Entry entries[] = {
    {"FORTH", forth}, {"DEFINITIONS", definitions}, {"FIND", find},
    {"FORTH-WORDLIST", forthWordlist}, {"GET-CURRENT", getCurrent}, {"GET-ORDER", getOrder},
    {"SEARCH-WORDLIST", searchWordlist}, {"SET-CURRENT", setCurrent},
    {"SET-ORDER", setOrder}, {"WORDLIST", wordlist}, {"WORDS", words}, {"ALSO", also},
    {"ORDER", order}, {"ONLY", only}, {"PREVIOUS", previous}, {"VOCABULARY", vocabulary},
};

} // namespace

void registerSearchWords(ForthSystem &system)
{
    for (const Entry &entry : entries)
        system.addNative(entry.name, entry.fn);
}
