// The packager's console messages. They are code page 932 text; on Windows the
// console gets those bytes, elsewhere the program's own texts are converted to UTF-8
// as they are written. Texts from the user (file names, section texts) are always
// written as the bytes they are.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

namespace mx4 {

enum MessageId : int {
    MSG_BANNER,
    MSG_USAGE,
    MSG_CANT_OPEN,
    MSG_PATH_TOO_LONG,
    MSG_CANT_WRITE,
    MSG_CREATING,
    MSG_LEFT,
    MSG_INFO,
    MSG_ENDING,
    MSG_STAGE_DATA,
    MSG_STAGE,
    MSG_MAP_VERSION,
    MSG_SUCCESS,
    MSG_ERROR,
    MSG_PRESS_ENTER,
    // The texts that MSG_ERROR shows.
    ERR_NO_INFO,
    ERR_NO_ENDING,
    ERR_NO_STAGES,
    ERR_CANT_OPEN_MAP,
    ERR_BUFFER,
    ERR_WRITE,
    ERR_MAP_NAME_TOO_LONG,
    MESSAGE_COUNT,
};

#ifdef _WIN32
inline constexpr bool kUtf8Console = false;
#else
inline constexpr bool kUtf8Console = true;
#endif

// One value for a %s, %d or %04d of a message: the user's bytes, a number, or
// another of the program's own messages.
struct MessageArg {
    enum Kind { TEXT, NUMBER, MESSAGE };
    Kind kind;
    const char* text = nullptr;
    int number = 0;
    MessageId message = MSG_BANNER;

    MessageArg(const char* value) : kind(TEXT), text(value) {}
    MessageArg(int value) : kind(NUMBER), number(value) {}
    MessageArg(MessageId value) : kind(MESSAGE), message(value) {}
};

// The message's code page 932 bytes, with its directives unfilled.
const char* MessageText(MessageId id);

// Converts code page 932 text to UTF-8. Returns false, leaving out holding the
// bytes unchanged, when the converter is missing or the text is not valid.
bool Cp932ToUtf8(const char* bytes, std::size_t length, std::string& out);

// The bytes the console gets for a message and its arguments: the program's own
// text as code page 932 or, with utf8, converted; the user's texts as they are.
std::string ComposeMessage(MessageId id, std::initializer_list<MessageArg> args, bool utf8);

// Writes a message to standard output in this platform's form.
void Say(MessageId id, std::initializer_list<MessageArg> args = {});

} // namespace mx4
