#include "foundation/Msg.h"
#include "tests/common/RecordingMsg.h"
#include "tests/common/TestSupport.h"
#include "resources/strings_foundation.h"
#include "resources/strings_foundation_io.h"
#include <gtest/gtest.h>
#include <functional>
#include <list>

namespace {

const UINT kOkCancelWarning = 49;
const UINT kYesNoWarning = 52;
const std::wstring kContinueHead =
    L"設定ファイルの読み込み中に以下のエラーが発生しました。\n設定ファイルを手動で修正したい場合は、キャンセルしてください。\n"
    L"続行すると、設定の一部もしくは全てが失われます。\n\n";

CSimpleErr ErrorWithText(const std::wstring& text)
{
    CSimpleErr err;
    err.id = IDS_INTERNAL_ERROR;
    err.message = text;
    return err;
}

} // namespace

TEST(Msg, EveryQuestionShowsItsTextAndCountsOnlyItsYes)
{
    CTempFolder temp;
    std::wstring existing = temp.File(L"a.png");
    ASSERT_TRUE(WriteFileBytes(existing, "x"));
    CSimpleErr err = ErrorWithText(L"壊れています");
    struct Case {
        const char* name;
        std::function<bool(CMsg&)> ask;
        std::wstring text;
        UINT flags;
        int yes;
    } const cases[] = {
        {"discard", [](CMsg& m) { return m.ConfirmDiscardWork(); }, L"編集内容が失われますが、よろしいですか？",
         kOkCancelWarning, IDOK},
        {"create folder", [](CMsg& m) { return m.ConfirmCreateFolder(L"C:\\out"); },
         L"指定のフォルダーは存在しません。作成しますか？\n\nC:\\out", kOkCancelWarning, IDOK},
        {"overwrite", [](CMsg& m) { return m.ConfirmOverwrite(L"C:\\a.png"); },
         L"同名のファイルがあります。上書きしますか？\n\nC:\\a.png", kOkCancelWarning, IDOK},
        {"overwrite existing", [&](CMsg& m) { return m.ConfirmOverwriteIfExists(existing); },
         L"同名のファイルがあります。上書きしますか？\n\n" + existing, kOkCancelWarning, IDOK},
        {"files (vector)", [](CMsg& m) { return m.ConfirmOverwriteFiles(std::vector<std::wstring>{L"a", L"b"}); },
         L"2 個のファイルが上書きされます。上書きしますか？\n\na\r\nb", kOkCancelWarning, IDOK},
        {"files (list)", [](CMsg& m) { return m.ConfirmOverwriteFiles(std::list<std::wstring>{L"c"}); },
         L"1 個のファイルが上書きされます。上書きしますか？\n\nc", kOkCancelWarning, IDOK},
        {"reset shortcuts", [](CMsg& m) { return m.ConfirmResetShortcuts(); },
         L"ショートカットキーの設定をディフォルトに戻します。\n編集内容が失われますが、よろしいですか？", kOkCancelWarning,
         IDOK},
        {"overwrite shortcut", [](CMsg& m) { return m.ConfirmOverwriteShortcut(L"Ctrl+S"); },
         L"指定のショートカットキーは登録済みです。\nCtrl+S\n\n上書きしますか？", kOkCancelWarning, IDOK},
        {"continue after error", [&](CMsg& m) { return m.ConfirmContinueAfterError(err); },
         kContinueHead + L"壊れています\n\n続行しますか？", kOkCancelWarning, IDOK},
        {"continue after config error",
         [&](CMsg& m) { return m.ConfirmContinueAfterConfigError(L"C:\\k.config", err); },
         kContinueHead + L"設定ファイル: C:\\k.config\n壊れています\n\n続行しますか？", kOkCancelWarning, IDOK},
        {"config error naming its file",
         [&](CMsg& m) { return m.ConfirmContinueAfterConfigError(L"C:\\k.config", ErrorWithText(L"C:\\k.config: x")); },
         kContinueHead + L"C:\\k.config: x\n\n続行しますか？", kOkCancelWarning, IDOK},
        {"newer config", [](CMsg& m) { return m.ConfirmOverwriteNewerConfig(); },
         L"新しいバージョン用の設定ファイルが存在します。\nこのまま続けると、設定の一部もしくは全てが失われ、\n"
         L"古いバージョンの設定ファイルで上書きされます。\n\n続行しますか？",
         kOkCancelWarning, IDOK},
        {"exit printing", [](CMsg& m) { return m.ConfirmExitPrinting(); }, L"印刷中です。中断しますか？", kYesNoWarning,
         IDYES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int answer : {IDOK, IDCANCEL, IDYES, IDNO, 0}) {
            CRecordingMsg sink;
            sink.answer = answer;
            EXPECT_EQ(answer == c.yes, c.ask(sink)) << "answer " << answer;
            ASSERT_EQ(1u, sink.boxes.size());
            EXPECT_EQ(c.text, sink.Last().text);
            EXPECT_EQ(c.flags, sink.Last().flags);
        }
    }
}

TEST(Msg, ErrorsAndTextsGoThroughShow)
{
    CRecordingMsg sink;
    sink.answers = {IDOK, IDRETRY, IDOK, IDOK, IDOK};
    EXPECT_EQ(IDOK, sink.ShowError(ErrorWithText(L"失敗")));
    EXPECT_EQ(IDRETRY, sink.ShowResourceMessage(IDS_CONFIRM_DISCARD_WORK, MB_RETRYCANCEL));
    sink.ShowResourceMessage(0, MB_OK);  // id 0 loads nothing
    sink.ShowResourceMessage1(IDS_CONFIRM_CREATE_FOLDER, L"D:\\x", MB_ICONINFORMATION);
    sink.ShowResourceMessage2(IDS_CONFIRM_CONTINUE_AFTER_CONFIG_ERROR, L"p", L"m", MB_OK);
    ASSERT_EQ(5u, sink.boxes.size());
    EXPECT_EQ(L"失敗", sink.boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), sink.boxes[0].flags);
    EXPECT_EQ(L"編集内容が失われますが、よろしいですか？", sink.boxes[1].text);
    EXPECT_EQ(static_cast<UINT>(MB_RETRYCANCEL), sink.boxes[1].flags);
    EXPECT_EQ(L"", sink.boxes[2].text);
    EXPECT_EQ(L"指定のフォルダーは存在しません。作成しますか？\n\nD:\\x", sink.boxes[3].text);
    EXPECT_EQ(kContinueHead + L"設定ファイル: p\nm\n\n続行しますか？", sink.boxes[4].text);
    // A text that cannot be loaded is raised to the caller; no box opens.
    EXPECT_EQ(IDS_STRING_RESOURCE_MISSING, ThrownId([&] { sink.ShowResourceMessage(1, MB_OK); }));
    EXPECT_EQ(5u, sink.boxes.size());
}

TEST(Msg, FileListStopsAfterTenNamesWhileTheCountStaysFull)
{
    for (size_t count : {10u, 11u, 12u}) {
        SCOPED_TRACE(count);
        std::vector<std::wstring> names;
        for (size_t i = 1; i <= count; ++i)
            names.push_back(L"C:\\out\\" + std::to_wstring(i) + L".png");
        std::wstring list;
        for (size_t i = 0; i < 10; ++i)
            list += (i ? L"\r\n" : L"") + names[i];
        if (count > 10)
            list += L"\r\n...";
        std::wstring expected = std::to_wstring(count) + L" 個のファイルが上書きされます。上書きしますか？\n\n" + list;

        CRecordingMsg sink;
        sink.ConfirmOverwriteFiles(names);
        sink.ConfirmOverwriteFiles(std::list<std::wstring>(names.begin(), names.end()));
        ASSERT_EQ(2u, sink.boxes.size());
        EXPECT_EQ(expected, sink.boxes[0].text);
        EXPECT_EQ(expected, sink.boxes[1].text);
    }
}

TEST(Msg, OverwriteOfAMissingPathAsksNothing)
{
    CTempFolder temp;
    CRecordingMsg sink;
    sink.answer = IDCANCEL;
    EXPECT_TRUE(sink.ConfirmOverwriteIfExists(temp.File(L"missing.png")));
    EXPECT_TRUE(sink.boxes.empty());
}

TEST(Msg, CreateFolderAfterAsking)
{
    CTempFolder temp;
    std::wstring folder = temp.File(L"a\\b");
    CRecordingMsg sink;

    sink.answer = IDCANCEL;
    EXPECT_FALSE(sink.ConfirmAndCreateFolder(folder));
    EXPECT_FALSE(FileExists(folder));

    sink.answer = IDOK;
    EXPECT_TRUE(sink.ConfirmAndCreateFolder(folder));
    EXPECT_TRUE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(2u, sink.boxes.size());
    EXPECT_TRUE(sink.errors.empty());

    // Under a file no folder can be made: the failure is shown, not thrown.
    std::wstring file = temp.File(L"f");
    ASSERT_TRUE(WriteFileBytes(file, "x"));
    EXPECT_FALSE(sink.ConfirmAndCreateFolder(file + L"\\sub"));
    ASSERT_EQ(1u, sink.errors.size());
    EXPECT_EQ(IDS_CREATE_FOLDER_FAILED, sink.errors[0].id);
    EXPECT_NE(std::wstring::npos, sink.errors[0].message.find(file + L"\\sub"));
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), sink.Last().flags);
}

TEST(Msg, MessageBoxSinkCaptionsAndOwner)
{
    // Headless, no window of the process is active.
    ASSERT_EQ(nullptr, GetActiveWindow());
    knt::CMsg& msg = knt::GetMsg();
    EXPECT_EQ(nullptr, msg.owner);
    EXPECT_EQ(nullptr, msg.GetBoxOwner());
    HWND stored = reinterpret_cast<HWND>(0x1234);
    msg.owner = stored;
    EXPECT_EQ(stored, msg.GetBoxOwner());
    msg.owner = nullptr;

    struct Case {
        UINT flags;
        const wchar_t* caption;
    } const cases[] = {
        {MB_ICONERROR, L"エラー"},
        {MB_ICONERROR | MB_OKCANCEL, L"エラー"},
        {kOkCancelWarning, L"確認"},
        {MB_ICONINFORMATION, L"確認"},
        {MB_OK, L"確認"},
    };
    struct CDialogSink : CSimpleMsgImpl<CDialogSink, IDS_ERROR_TITLE, IDS_QUERY_TITLE> {
        HWND m_hWnd = nullptr;
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.caption, CMessageBoxMsg::GetCaption(c.flags)) << c.flags;
        EXPECT_EQ(c.caption, CDialogSink::GetCaption(c.flags)) << c.flags;
    }

    // A redirected sink shows nothing itself.
    CRecordingMsg recorder;
    {
        CMsgRedirect redirect(msg, recorder);
        EXPECT_EQ(IDOK, msg.ShowError(ErrorWithText(L"e")));
        EXPECT_TRUE(msg.ConfirmDiscardWork());
    }
    EXPECT_EQ(nullptr, msg.redirect);
    ASSERT_EQ(2u, recorder.boxes.size());
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), recorder.boxes[0].flags);
}
