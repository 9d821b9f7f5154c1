#include "packager/messages.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace mx4 {
namespace {

// Indexed by MessageId; code page 932 bytes, the text in the comment above each.
constexpr const char* kMessages[] = {
    // MX4 Packager Ver.0.02\n\n
    "MX4 Packager Ver.0.02\n\n",
    // 使い方： MX4PACK hogehoge.m4p\n
    "\x8E\x67\x82\xA2\x95\xFB\x81\x46 MX4PACK hogehoge.m4p\n",
    // %s が開けないんですけど..\n
    "%s \x82\xAA\x8A\x4A\x82\xAF\x82\xC8\x82\xA2\x82\xF1\x82\xC5\x82\xB7\x82\xAF"
    "\x82\xC7..\n",
    // %s のパスが長すぎるんですけど..\n
    "%s \x82\xCC\x83\x70\x83\x58\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xE9\x82\xF1"
    "\x82\xC5\x82\xB7\x82\xAF\x82\xC7..\n",
    // %s に書き込めないようですねぇ\n
    "%s \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xC8\x82\xA2\x82\xE6\x82\xA4"
    "\x82\xC5\x82\xB7\x82\xCB\x82\xA5\n",
    // %s を作成中...\n\n
    "%s \x82\xF0\x8D\xEC\x90\xAC\x92\x86...\n\n",
    // LEFT：%d\n\n
    "LEFT\x81\x46%d\n\n",
    // ステージ情報：\n%s\n
    "\x83\x58\x83\x65\x81\x5B\x83\x57\x8F\xEE\x95\xF1\x81\x46\n%s\n",
    // エンディングメッセージ：\n%s\n
    "\x83\x47\x83\x93\x83\x66\x83\x42\x83\x93\x83\x4F\x83\x81\x83\x62\x83\x5A"
    "\x81\x5B\x83\x57\x81\x46\n%s\n",
    // ステージデータ：\n
    "\x83\x58\x83\x65\x81\x5B\x83\x57\x83\x66\x81\x5B\x83\x5E\x81\x46\n",
    // STAGE%d : \"%s\"\n
    "STAGE%d : \"%s\"\n",
    // 最大マップバージョン：%04d\n
    "\x8D\xC5\x91\xE5\x83\x7D\x83\x62\x83\x76\x83\x6F\x81\x5B\x83\x57\x83\x87"
    "\x83\x93\x81\x46%04d\n",
    // \n★★★ 作成に成功～!! ★★★\n出力ファイル名 : %s\nステージ数 : %d\n
    "\n\x81\x9A\x81\x9A\x81\x9A \x8D\xEC\x90\xAC\x82\xC9\x90\xAC\x8C\xF7\x81\x60!! "
    "\x81\x9A\x81\x9A\x81\x9A\n\x8F\x6F\x97\xCD\x83\x74\x83\x40\x83\x43\x83\x8B"
    "\x96\xBC : %s\n\x83\x58\x83\x65\x81\x5B\x83\x57\x90\x94 : %d\n",
    // *** ERROR!! *** : %s \n
    "*** ERROR!! *** : %s \n",
    // \n** ENTERキーを押してください **\n
    "\n** ENTER\x83\x4C\x81\x5B\x82\xF0\x89\x9F\x82\xB5\x82\xC4\x82\xAD\x82\xBE"
    "\x82\xB3\x82\xA2 **\n",
    // *INFO が無い
    "*INFO \x82\xAA\x96\xB3\x82\xA2",
    // *ENDING が無い
    "*ENDING \x82\xAA\x96\xB3\x82\xA2",
    // *STAGES が無い
    "*STAGES \x82\xAA\x96\xB3\x82\xA2",
    // マップデータが開けない
    "\x83\x7D\x83\x62\x83\x76\x83\x66\x81\x5B\x83\x5E\x82\xAA\x8A\x4A\x82\xAF"
    "\x82\xC8\x82\xA2",
    // バッファが足りない
    "\x83\x6F\x83\x62\x83\x74\x83\x40\x82\xAA\x91\xAB\x82\xE8\x82\xC8\x82\xA2",
    // 書き込みエラー
    "\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x83\x47\x83\x89\x81\x5B",
    // マップファイル名が長すぎる
    "\x83\x7D\x83\x62\x83\x76\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC\x82\xAA"
    "\x92\xB7\x82\xB7\x82\xAC\x82\xE9",
};
static_assert(std::size(kMessages) == MESSAGE_COUNT);

void AppendOwnText(std::string& out, const char* bytes, std::size_t length, bool utf8)
{
    if (!utf8) {
        out.append(bytes, length);
        return;
    }
    std::string converted;
    Cp932ToUtf8(bytes, length, converted);
    out += converted;
}

} // namespace

const char* MessageText(MessageId id)
{
    return id >= 0 && id < MESSAGE_COUNT ? kMessages[id] : "";
}

bool Cp932ToUtf8(const char* bytes, std::size_t length, std::string& out)
{
    out.assign(bytes, length);
#ifdef _WIN32
    return false;
#else
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    // A code page 932 character becomes at most three UTF-8 bytes.
    std::string converted(length * 3, '\0');
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    char* to = converted.data();
    std::size_t toLeft = converted.size();
    const bool ok = iconv(converter, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    if (!ok) {
        return false;
    }
    converted.resize(converted.size() - toLeft);
    out = converted;
    return true;
#endif
}

std::string ComposeMessage(MessageId id, std::initializer_list<MessageArg> args, bool utf8)
{
    const char* format = MessageText(id);
    const MessageArg* arg = args.begin();
    std::string out;
    while (*format != 0) {
        const char* directive = std::strchr(format, '%');
        const std::size_t literal = directive != nullptr ? static_cast<std::size_t>(directive - format)
                                                         : std::strlen(format);
        AppendOwnText(out, format, literal, utf8);
        if (directive == nullptr || directive[1] == 0) {
            break;
        }
        // The table holds %s, %d and %04d only; a '%' never occurs as the second byte
        // of a two-byte character.
        const bool padded = std::strncmp(directive, "%04d", 4) == 0;
        const std::size_t directiveLength = padded ? 4 : 2;
        if (arg != args.end()) {
            if (arg->kind == MessageArg::TEXT) {
                out += arg->text != nullptr ? arg->text : "";
            } else if (arg->kind == MessageArg::MESSAGE) {
                const char* text = MessageText(arg->message);
                AppendOwnText(out, text, std::strlen(text), utf8);
            } else {
                char number[16];
                std::snprintf(number, sizeof number, padded ? "%04d" : "%d", arg->number);
                out += number;
            }
            ++arg;
        }
        format = directive + directiveLength;
    }
    return out;
}

void Say(MessageId id, std::initializer_list<MessageArg> args)
{
    const std::string bytes = ComposeMessage(id, args, kUtf8Console);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

} // namespace mx4
