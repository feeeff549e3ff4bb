#include "render/TextWalk.h"

CTextWalk::CTextWalk(const std::wstring& text, int lineHead, int lineAdvance, int firstLineTop)
    : m_text(text), m_lineHead(lineHead), m_lineAdvance(lineAdvance), m_penX(lineHead), m_lineTop(firstLineTop)
{
}

bool CTextWalk::Next()
{
    if (m_next >= m_text.size())
        return false;
    m_index = m_next;
    m_char = m_text[m_next];
    m_length = 1;
    // A surrogate pair is one character; a lone half stays a character of its own.
    if (m_char >= 0xD800 && m_char <= 0xDBFF && m_next + 1 < m_text.size()) {
        const UINT32 low = m_text[m_next + 1];
        if (low >= 0xDC00 && low <= 0xDFFF) {
            m_char = 0x10000 + ((m_char - 0xD800) << 10) + (low - 0xDC00);
            m_length = 2;
        }
    }
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
