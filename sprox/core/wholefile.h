// Whole-file reading into one fixed global memory block, with the library's reports.
#pragma once

namespace sprox {

// The whole file in one block (free it with FreeWholeFile), or null after a report:
// -4 "name -> error" when it cannot be opened, -3 name when there is no memory,
// -4 name when its size cannot be told or it reads short. The size goes to sizeOut
// when given. A null name is treated as a name that opens nothing.
unsigned char* ReadWholeFile(const char* name, long* sizeOut);
void FreeWholeFile(void* block);

} // namespace sprox
