// Fuzz target of the document reader: any input must parse or fail cleanly; what parses
// must write out and read back, and from the second write on the bytes must not change
// (the first write may still differ: an attribute read without a value is written as
// name="" and reads back with an empty one). Property resolution over the tree as a
// project tree must terminate.

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/xmldocument.h"
#include "projectsystem/xmlnode.h"

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

void resolveEverywhere(const ProjectSystem &system, const ProjectElement *root)
{
    std::vector<const ProjectElement *> pending{root};
    int visited = 0;
    while (!pending.empty() && ++visited < 1000) {
        const ProjectElement *node = pending.back();
        pending.pop_back();
        system.value(node, "c_preprocessor_definitions", "Debug");
        system.value(node, "project_type", "Common");
        for (const ProjectElement *child = node->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            pending.push_back(child);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static StandardProjectSystem system;
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    XMLDocument document;
    document.setElementFactory([&document](const QByteArray &tag) {
        return std::make_unique<ProjectElement>(tag, &system, &document);
    });
    if (!document.read(input))
        return 0;
    resolveEverywhere(system, static_cast<const ProjectElement *>(document.root()));
    for (const int indent : {2, 0}) {
        QByteArray previous = document.write(indent, 75);
        for (int round = 0; round < 2; ++round) {
            XMLDocument again;
            if (!again.read(previous)) {
                std::fprintf(stderr, "written document does not read back: %s\n",
                             again.errorText().toUtf8().constData());
                std::abort();
            }
            const QByteArray next = again.write(indent, 75);
            if (round == 1 && next != previous) {
                std::fprintf(stderr, "writer output is not a fixed point (indent %d)\n",
                             indent);
                std::abort();
            }
            previous = next;
        }
    }
    return 0;
}
