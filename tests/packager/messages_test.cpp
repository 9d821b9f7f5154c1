// The console messages: the code page 932 table, its UTF-8 form, and composition.
#include <cstring>
#include <iterator>

#include <gtest/gtest.h>

#include "packager/messages.h"

using namespace mx4;

namespace {

// The same texts, written independently as UTF-8, in MessageId order.
const char* const kUtf8[] = {
    "MX4 Packager Ver.0.02\n\n",
    "使い方： MX4PACK hogehoge.m4p\n",
    "%s が開けないんですけど..\n",
    "%s のパスが長すぎるんですけど..\n",
    "%s に書き込めないようですねぇ\n",
    "%s を作成中...\n\n",
    "LEFT：%d\n\n",
    "ステージ情報：\n%s\n",
    "エンディングメッセージ：\n%s\n",
    "ステージデータ：\n",
    "STAGE%d : \"%s\"\n",
    "最大マップバージョン：%04d\n",
    "\n★★★ 作成に成功～!! ★★★\n出力ファイル名 : %s\nステージ数 : %d\n",
    "*** ERROR!! *** : %s \n",
    "\n** ENTERキーを押してください **\n",
    "*INFO が無い",
    "*ENDING が無い",
    "*STAGES が無い",
    "マップデータが開けない",
    "バッファが足りない",
    "書き込みエラー",
    "マップファイル名が長すぎる",
};
static_assert(std::size(kUtf8) == MESSAGE_COUNT);

} // namespace

TEST(Messages, TableConvertsToTheJapaneseTexts)
{
    for (int id = 0; id < MESSAGE_COUNT; ++id) {
        const char* text = MessageText(static_cast<MessageId>(id));
        std::string utf8;
        ASSERT_TRUE(Cp932ToUtf8(text, std::strlen(text), utf8)) << id;
        EXPECT_EQ(utf8, kUtf8[id]) << id;
    }
}

TEST(Messages, FullWidthSignsAreTheirCodePageBytes)
{
    // "：" 81 46, "～" 81 60, "★" 81 9A.
    EXPECT_STREQ(MessageText(MSG_USAGE), "\x8E\x67\x82\xA2\x95\xFB\x81\x46 MX4PACK hogehoge.m4p\n");
    EXPECT_STREQ(MessageText(MSG_LEFT), "LEFT\x81\x46%d\n\n");
    const std::string success = MessageText(MSG_SUCCESS);
    EXPECT_EQ(success.substr(0, 8), "\n\x81\x9A\x81\x9A\x81\x9A ");
    EXPECT_NE(success.find("\x81\x60!! \x81\x9A"), std::string::npos);
}

TEST(Messages, BothFormsComeFromTheOneTable)
{
    EXPECT_EQ(ComposeMessage(MSG_LEFT, {3}, false), "LEFT\x81\x46" "3\n\n");
    EXPECT_EQ(ComposeMessage(MSG_LEFT, {-12}, true), "LEFT：-12\n\n");
    EXPECT_EQ(ComposeMessage(MSG_MAP_VERSION, {10}, true), "最大マップバージョン：0010\n");
    EXPECT_EQ(ComposeMessage(MSG_MAP_VERSION, {0}, false),
              std::string(MessageText(MSG_MAP_VERSION)).replace(22, 4, "0000"));
    EXPECT_EQ(ComposeMessage(MSG_SUCCESS, {"out.mx4", 2}, true),
              "\n★★★ 作成に成功～!! ★★★\n出力ファイル名 : out.mx4\nステージ数 : 2\n");
    // An error's text is the program's own and is converted with the rest.
    EXPECT_EQ(ComposeMessage(MSG_ERROR, {ERR_WRITE}, true), "*** ERROR!! *** : 書き込みエラー \n");
    EXPECT_EQ(ComposeMessage(MSG_ERROR, {ERR_WRITE}, false),
              "*** ERROR!! *** : \x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x83\x47\x83\x89\x81\x5B \n");
}

TEST(Messages, UserTextsKeepTheirBytes)
{
    // A code page 932 name, a UTF-8 name, bytes that are valid in neither, and a
    // directive of the user's own: all written as they are, in both forms.
    const char* names[] = {"\x83\x58\x83\x65.map", "ステージ.map", "\xFF\x80\x81", "100%s %d"};
    for (const char* name : names) {
        EXPECT_EQ(ComposeMessage(MSG_STAGE, {7, name}, true), std::string("STAGE7 : \"") + name + "\"\n");
        EXPECT_EQ(ComposeMessage(MSG_STAGE, {7, name}, false), std::string("STAGE7 : \"") + name + "\"\n");
        EXPECT_EQ(ComposeMessage(MSG_CANT_OPEN, {name}, true), std::string(name) + " が開けないんですけど..\n");
    }
    EXPECT_EQ(ComposeMessage(MSG_INFO, {"\x82\xA0\n"}, true), "ステージ情報：\n\x82\xA0\n\n");
}
