// The walk over a unit's text that the layout, both pipelines and the
// line-head bearing share: the characters in order, each with the pen
// position it is placed at (tenths of a pixel). Only '\n' breaks a line; it
// moves the pen down by the line advance and back to the line head. How far
// a character moves the pen is the caller's measure (Place). A surrogate
// pair is one character (its code point); a lone surrogate is one too.
#pragma once
#include <windows.h>
#include <string>

class CTextWalk {
public:
    // The first line's top is at firstLineTop; each line feed adds the line
    // advance (which may be negative: lines then go upwards).
    CTextWalk(const std::wstring& text, int lineHead, int lineAdvance, int firstLineTop = 0);

    // Moves to the next character; false at the end of the text. A line feed
    // is a character too: the pen is already on the next line when Next
    // returns it.
    bool Next();

    // The character: its code and where it lies in the text (UTF-16 units).
    UINT32 Char() const { return m_char; }
    size_t Index() const { return m_index; }
    size_t Length() const { return m_length; }
    bool IsLineBreak() const { return m_char == L'\n'; }
    // For a line feed: the line it ends had no character placed on it.
    bool EndedEmptyLine() const { return m_endedEmpty; }

    int PenX() const { return m_penX; }
    int LineTop() const { return m_lineTop; }
    // No character has been placed on this line yet.
    bool AtLineStart() const { return m_atLineStart; }
    // Places the current character, moving the pen by `step`.
    void Place(int step);

private:
    const std::wstring& m_text;
    int m_lineHead;
    int m_lineAdvance;
    size_t m_next = 0;
    UINT32 m_char = 0;
    size_t m_index = 0;
    size_t m_length = 0;
    int m_penX;
    int m_lineTop = 0;
    bool m_atLineStart = true;
    bool m_endedEmpty = false;
};
