#include "render/TextWalk.h"
#include "foundation/StringUtil.h"

CTextWalk::CTextWalk(const std::wstring& text, int lineHead, int lineAdvance, int firstLineTop)
    : m_text(text), m_lineHead(lineHead), m_lineAdvance(lineAdvance), m_penX(lineHead), m_lineTop(firstLineTop)
{
}

bool CTextWalk::Next()
{
    if (m_next >= m_text.size())
        return false;
    m_index = m_next;
    // A surrogate pair is one character; a lone half stays a character of its own.
    m_char = CodePointAt(m_text, m_next);
    m_length = CharLengthAt(m_text, m_next);
    m_next += m_length;
    m_endedEmpty = false;
    if (m_char == L'\n') {
        m_endedEmpty = m_atLineStart;
        m_lineTop += m_lineAdvance;
        m_penX = m_lineHead;
        m_atLineStart = true;
    }
    return true;
}

void CTextWalk::Place(int step)
{
    m_penX += step;
    m_atLineStart = false;
}
