#include "sprox/core/wholefile.h"

#include <cstdio>

#include "sprox/core/report.h"
#include "sprox/sys/machine.h"

namespace sprox {

unsigned char* ReadWholeFile(const char* name, long* sizeOut)
{
    sys::Machine& m = sys::M();
    if (name == nullptr) {
        name = "";  // opens nothing, and is reported like any missing file
    }
    long error = 0;
    sys::File file = m.FileOpen(name, &error);
    if (file == nullptr) {
        char where[kReportBufferSize];
        std::snprintf(where, sizeof where, "%s -> %ld", name, error);
        Report(kFileNotOpened, where);
        return nullptr;
    }
    long size = m.FileSize(file);
    if (size < 0) {
        // A size the system cannot tell is a file that cannot be read.
        Report(kFileNotOpened, name);
        m.FileClose(file);
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(m.GlobalAlloc(static_cast<size_t>(size)));
    if (block == nullptr) {
        Report(kOutOfMemory, name);
        m.FileClose(file);
        return nullptr;
    }
    if (m.FileRead(file, block, size) != size) {
        Report(kFileNotOpened, name);
        m.GlobalFree(block);
        m.FileClose(file);
        return nullptr;
    }
    m.FileClose(file);
    if (sizeOut != nullptr) {
        *sizeOut = size;
    }
    return block;
}

void FreeWholeFile(void* block)
{
    sys::M().GlobalFree(block);
}

} // namespace sprox
