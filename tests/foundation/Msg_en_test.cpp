#include "foundation/Msg.h"
#include "tests/common/RecordingMsg.h"
#include <gtest/gtest.h>

TEST(MsgEnglish, CaptionsAndQuestionsFollowTheLanguage)
{
    EXPECT_EQ(L"Error", CMessageBoxMsg::GetCaption(MB_ICONERROR));
    EXPECT_EQ(L"Query", CMessageBoxMsg::GetCaption(MB_OKCANCEL | MB_ICONWARNING));
    CRecordingMsg sink;
    sink.ConfirmOverwriteFiles(std::vector<std::wstring>{L"a", L"b", L"c"});
    EXPECT_EQ(L"3 files will be overwritten. Are you sure to overwrite ?\n\na\r\nb\r\nc", sink.Last().text);
}
