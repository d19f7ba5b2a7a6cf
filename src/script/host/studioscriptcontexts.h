#pragma once

#include "script/escontext.h"

class StudioScriptSystem;

// The studio's script contexts: each overrides only keepRunning(), which the machine
// asks before every instruction, to stay responsive or to stop a script.

/// The context of the script system: it runs while the system has no stop request and,
/// when made with `processEvents`, lets pending events run before every instruction.
class MyESContext : public ESContext
{
public:
    MyESContext(StudioScriptSystem *system, bool processEvents);
    bool keepRunning() override;

private:
    StudioScriptSystem *m_system;
    bool m_processEvents;
};

/// A context that lets pending events run on every eleventh instruction and runs while
/// its continue flag is set.
class MyESContext2 : public ESContext
{
public:
    bool keepRunning() override;
    void setContinue(bool keepGoing) { m_continue = keepGoing; }

private:
    int m_counter = 0;
    bool m_continue = true;
};

/// A context with an instruction budget: it stops once more than `budget` instructions
/// have run, so a window's script cannot hang the window.
class ThreadsWindowESContext : public ESContext
{
public:
    static constexpr int budget = 999999;
    bool keepRunning() override;

private:
    int m_instructions = 0;
};
