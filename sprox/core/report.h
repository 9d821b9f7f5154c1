// sprox/core/: what every subsystem uses: the error reporter and diagnostics, the
// context registry, reading a whole file. May include sys/ only.
//
// The error reporter: every subsystem tells the user about a failure through it.
#pragma once

#include <string>

namespace sprox {

// Caption of every report box.
inline constexpr const char* kReportCaption = "Sprox Error";
// Size of the composition buffer, terminating zero included.
inline constexpr int kReportBufferSize = 384;

// What went wrong: the negative codes a report shows a text for.
enum ReportCode : int {
    kResourceNotFound = -1,
    kTooManyPatterns = -2,
    kOutOfMemory = -3,
    kFileNotOpened = -4,
    kRopNotCreated = -5,       // a null ROP table
    kInvalidHandle = -6,
    kUnknownDarVersion = -7,
    kContextNotInitialised = -8,
};

// Shows "where: message tail" for a negative code in a modal box; 0 and positive
// codes show nothing. The where-text is code page 932 bytes; one that would not fit
// the buffer is cut at a character boundary.
void Report(int code, const char* where);

// Composes the text Report shows into out (kReportBufferSize bytes); returns false
// for codes that show nothing.
bool ComposeReport(int code, const char* where, char* out);

// An English gloss, in brackets, of a text that ComposeReport made: the public
// call, the where-text with an errno as the system's text for it, the message.
// Empty for a text it did not make.
std::string ReportGloss(const char* text);

} // namespace sprox
