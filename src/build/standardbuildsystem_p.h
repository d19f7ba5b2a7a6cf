#pragma once

// What the two source files of StandardBuildSystem share: the node build in progress.

#include "standardbuildsystem.h"

#include <QString>

// The node, configuration, builder and options of one node build, and the project's
// directory, in which every command runs.
struct StandardBuildSystem::Step
{
    ProjectElement *project;
    QString configuration;
    Builder *builder;
    quint32 options;
    QString projectDirectory;
};
