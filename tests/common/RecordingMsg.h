// A message sink that opens no box: it records every box the code under test
// would have shown and answers from a script. Use it directly as a sink, or
// put it behind the program's global sink with CMsgRedirect.
#pragma once
#include "foundation/Error.h"
#include "foundation/Msg.h"
#include <deque>
#include <string>
#include <vector>

class CRecordingMsg : public CMsg {
public:
    struct Box {
        std::wstring text;
        UINT flags;
        HWND focus;  // the focused window when the box would have opened
    };
    std::vector<Box> boxes;
    // Errors shown through ShowError, with their ids and codes (they also
    // appear in boxes).
    std::vector<CSimpleErr> errors;
    // Button ids given to the next boxes, one each; then `answer`.
    std::deque<int> answers;
    int answer = IDOK;

    int ShowError(const CSimpleErr& err) override
    {
        errors.push_back(err);
        return CMsg::ShowError(err);
    }
    int Show(const std::wstring& text, UINT flags) override
    {
        boxes.push_back(Box{text, flags, GetFocus()});
        if (answers.empty())
            return answer;
        int next = answers.front();
        answers.pop_front();
        return next;
    }
    const Box& Last() const { return boxes.back(); }
    void Clear()
    {
        boxes.clear();
        errors.clear();
        answers.clear();
    }
};

// Sends the boxes of a message-box sink (the program's global one:
// knt::GetMsg()) to a recording sink for the lifetime of the object.
class CMsgRedirect {
public:
    CMsgRedirect(CMessageBoxMsg& sink, CMsg& to) : m_sink(sink), m_old(sink.redirect) { sink.redirect = &to; }
    ~CMsgRedirect() { m_sink.redirect = m_old; }
    CMsgRedirect(const CMsgRedirect&) = delete;
    CMsgRedirect& operator=(const CMsgRedirect&) = delete;
private:
    CMessageBoxMsg& m_sink;
    CMsg* m_old;
};
