#pragma once

#include <cstdio>

class ForthInterpreter;

/// The console: the banner and "OK", then each line of `input` interpreted in turn,
/// answered by "OK" or by the text of the exception it raised, on standard output
/// where the words' own output goes, so that both appear in order. A failed line does
/// not end the session; the end of the input does, with status 0.
class FSConsole
{
public:
    explicit FSConsole(ForthInterpreter &interpreter);
    int run(std::FILE *input);

private:
    void write(const char *data, std::size_t size);
    void answer(const char *text);

    ForthInterpreter &m_interpreter;
    bool m_atLineStart = true;
};
