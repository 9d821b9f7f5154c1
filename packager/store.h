// The entry store: puts named entries into a stage package and takes them out again.
// Every call rewrites the whole package into a temporary file beside it and then
// moves that file over the package in one step, so a reader always finds either the
// old or the new package under its name. The store prints nothing; results say all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace mx4 {

// Results of PackageDeleteEntry.
enum DeleteResult : int {
    DELETE_FAILED = 0,     // not a package, a damaged one, or the rewrite failed
    DELETE_REMOVED = 1,    // the entry was removed
    DELETE_NOT_FOUND = 2,  // no entry of that name; the file is untouched
    DELETE_NO_PACKAGE = 3, // no file could be opened at path
};

// Puts the entry called name (at most its first 16 bytes count) with length bytes
// of data into the package at path, replacing an entry of that name, creating the
// package when no file is there. encoding is 64, 65 or 66; a run-length result that
// outgrows length + 256 bytes is stored as 64. Returns 1 on success, 0 on failure,
// when the package is left as it was.
int PackageWriteEntry(const char* name, const char* path, const void* data, std::size_t length,
                      std::int32_t encoding);

// Removes the entry called name from the package at path (see DeleteResult).
int PackageDeleteEntry(const char* name, const char* path);

// Does a temporary name in the folder of path fit a path buffer.
bool TempNameFits(const char* path);

// Puts into outName (kPathCapacity bytes) the first name "$tmpfile.00" to
// "$tmpfile.99" in the folder of path that no file has. Returns 1, or 0 when all
// are taken or the name would not fit.
int MakeTempName(const char* path, char* outName);

// Copies count bytes from the current position of source to the current position of
// destination, 256 bytes at a time. Returns 1 when all were copied, 0 when the source
// ran short or a write failed.
int CopyBytes(std::FILE* destination, std::FILE* source, std::int64_t count);

} // namespace mx4
