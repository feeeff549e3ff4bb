// A stand-in for the main window in command tests: it records what the
// commands ask of the window and, like the window, runs the automatic save
// on every settings change. The fixture publishes a settings object, keeps
// the settings file in a temporary folder and sends the program's boxes to
// a recording sink.
#pragma once
#include "app/Command.h"
#include "app/CommandView.h"
#include "decoration/Setting.h"
#include "foundation/ResourceString.h"
#include "tests/common/RecordingMsg.h"
#include "tests/common/TestSupport.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class CFakeCommandView : public knt::CCommandView {
public:
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    std::wstring filePath;
    int initControls = 0;
    std::vector<int> refreshedRows;
    std::vector<bool> previews;
    std::vector<std::wstring> texts;
    std::vector<int> highlights;
    CWindowLayout layout;
    knt::CCommandAutoSave* autoSave = nullptr;

    ~CFakeCommandView() { DestroyWindow(window); }
    HWND GetViewWindow() override { return window; }
    std::wstring GetFilePath() override { return filePath; }
    void SetFilePath(const std::wstring& path) override { filePath = path; }
    void InitControls(bool) override { ++initControls; }
    void RefreshDecorationRow(int row) override { refreshedRows.push_back(row); }
    void RequestPreview(bool schedule) override
    {
        previews.push_back(schedule);
        if (autoSave)
            autoSave->Run(true, false);
    }
    void StoreWindowLayout(CWindowLayout& target) override { target = layout; }
    void SetSettingText(const std::wstring& text) override
    {
        texts.push_back(text);
        RequestPreview(true);
    }
    bool GetSelectedCharSet(int&, bool&) override { return false; }
    void SetDropHighlight(int id) override { highlights.push_back(id); }
};

class CommandTest : public ::testing::Test {
protected:
    CTempFolder temp;
    CSetting setting;
    CRecordingMsg boxes;
    CMsgRedirect redirect{knt::GetMsg(), boxes};
    CFakeCommandView view;
    knt::CCommandAutoSave autoSave{knt::GetMsg()};

    CommandTest()
    {
        knt::SetSetting(&setting);
        knt::SetCommandView(&view);
        knt::SetSettingsFolder(temp.File(L"data"));
        view.autoSave = &autoSave;
    }
    ~CommandTest() override
    {
        knt::SetSettingsFolder(L"");
        knt::SetCommandView(nullptr);
        knt::SetSetting(nullptr);
    }
    std::wstring SettingsFile() const { return knt::GetSettingsFilePath(); }
    // Whether box number `index` shows message `id` (compared up to its first
    // placeholder).
    bool Shown(UINT id, size_t index) const;
};

// Whether box number `index` of the recorder shows message `id`, as Shown.
inline bool ShownIn(const CRecordingMsg& recorder, UINT id, size_t index)
{
    if (index >= recorder.boxes.size())
        return false;
    const std::wstring& text = recorder.boxes[index].text;
    std::wstring format = LoadResourceString(id);
    const size_t cut = format.find(L'%');
    return text.compare(0, cut, format, 0, cut) == 0;
}

inline bool CommandTest::Shown(UINT id, size_t index) const { return ShownIn(boxes, id, index); }
