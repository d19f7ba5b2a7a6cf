#include "studioscriptcontexts.h"

#include "studioscriptsystem.h"

#include <QCoreApplication>

MyESContext::MyESContext(StudioScriptSystem *system, bool processEvents)
    : m_system(system), m_processEvents(processEvents)
{
}

bool MyESContext::keepRunning()
{
    if (m_processEvents)
        QCoreApplication::processEvents();
    return !m_system->stopRequested();
}

bool MyESContext2::keepRunning()
{
    if (m_counter == 10) {
        m_counter = 0;
        QCoreApplication::processEvents();
    } else {
        ++m_counter;
    }
    return m_continue;
}

bool ThreadsWindowESContext::keepRunning()
{
    return ++m_instructions <= budget;
}
