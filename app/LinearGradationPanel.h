// The gradation page's preview: the gradation being edited as a horizontal
// strip inside a sunken frame. The panel keeps its own copy of the gradation
// and a cached image of the strip, rebuilt only when the gradation or the
// size changes.
#pragma once
#include "decoration/BorderingSetting.h"
#include "imaging/Dib.h"
#include "ui/WindowImpl.h"

class CLinearGradationPanel : public CWindowImpl<CLinearGradationPanel, CWindow> {
public:
    RECT Inset = {1, 1, 1, 1};

    BEGIN_MSG_MAP(CLinearGradationPanel)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
    ALT_MSG_MAP(1)
    END_MSG_MAP()

    const CLinearGradation& GetGradation() const { return m_gradation; }
    // An equal gradation changes nothing; another one is copied and the
    // window repainted (without erasing).
    void SetGradation(const CLinearGradation& gradation);
    bool IsDirty() const { return m_dirty; }
    const CDib& GetStrip() const { return m_strip; }

    // The strip for an inner area of w x h: false only when no image could
    // be made. The strip always runs left to right whatever angle is being
    // edited.
    bool Rebuild(int w, int h);
    void Paint(HDC dc);

private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    CLinearGradation m_gradation;
    bool m_dirty = false;
    CDibSection m_strip;
};
