// libFuzzer target for one text load-file reader (LOADFILE_FORMAT names it): the input
// becomes a file, is read, and what was read is merged into one image when that is
// small enough. A crash, hang or sanitizer report is a finding; HException is the
// expected way for bad input to fail.

#include "loadfile/loadfile.h"
#include "loadfile/loadfilefactory.h"
#include "qtx/hexception.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// The file each input is written to, removed when the fuzzer exits. Memory-backed when
// possible: it is rewritten for every run.
struct InputFile
{
    InputFile()
    {
        const char *directory = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path = std::string(directory) + "/loadfile-fuzz-" + LOADFILE_FORMAT + "-"
               + std::to_string(getpid());
    }
    ~InputFile() { unlink(path.c_str()); }
    std::string path;
} inputFile;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = QString::fromStdString(inputFile.path);
    std::FILE *file = std::fopen(inputFile.path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        LoadFileFactory factory;
        std::unique_ptr<LoadFileInterface> loadFile = factory.create(path, LOADFILE_FORMAT);
        LoadFileSections &sections = loadFile->sections();
        quint64 sum = 0;
        for (int i = 0; i < sections.count(); ++i) {
            const LoadFileSectionInterface *section = sections.at(i);
            for (quint32 j = 0; j < section->size(); ++j)
                sum += section->data()[j];
        }
        loadFile->sortSections();
        // Keep the merged image small: the fuzzer should look for faults, not memory.
        if (sections.count() > 0) {
            const quint64 first = sections.at(0)->address();
            const LoadFileSectionInterface *last = sections.at(sections.count() - 1);
            if (last->address() + last->size() - first < (1u << 20))
                loadFile->makeContiguous(0xFF);
        }
        (void)sum;
    } catch (const HException &) {
    }
    return 0;
}
