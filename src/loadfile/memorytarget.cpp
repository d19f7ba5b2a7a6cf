#include "memorytarget.h"

bool MemoryTarget::readMemory(quint32, quint64, quint32, void *)
{
    return false;
}

bool MemoryTarget::writeMemory(quint32, quint64, quint32, const void *)
{
    return false;
}
