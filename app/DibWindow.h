// The preview pane: shows the last finished image over a grey checker,
// aligned left (or right, for a vertical face), or an overlay text such as
// the error of a failed preview. Its window text names what it shows (the
// image size, or the overlay text), so a script can tell when a preview has
// arrived.
#pragma once
#include "app/PreviewPaint.h"
#include "ui/WindowImpl.h"
#include <boost/shared_ptr.hpp>
#include <string>

class CDib;

// Told when the pane changed its size.
class COnSizeHandler {
public:
    virtual void OnSize(HWND window, UINT type, int cx, int cy) = 0;
protected:
    ~COnSizeHandler() = default;
};

class CDibWindow : public CWindowImpl<CDibWindow> {
public:
    // No background brush: the pane paints every pixel itself.
    DECLARE_WND_CLASS_EX(L"KanteloPreviewPane", CS_HREDRAW | CS_VREDRAW, 0)

    void SetSizeHandler(COnSizeHandler* handler) { m_sizeHandler = handler; }
    // Shows the image (null: none) at the left edge, or the right edge with
    // alignment 1; the pane keeps the image and its own premultiplied copy
    // of the part it shows.
    void SetImage(const boost::shared_ptr<CDib>& image, int alignment);
    // The text drawn over the image; empty for none.
    void SetOverlayText(const std::wstring& text);
    SIZE GetImageSize() const;
    bool HasImage() const { return m_image != nullptr; }
    // Counts the images shown so far (a benchmark waits for the next one).
    unsigned GetImageSerial() const { return m_serial; }

    BEGIN_MSG_MAP(CDibWindow)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
    END_MSG_MAP()

private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
    LRESULT OnSizeMessage(UINT, WPARAM wp, LPARAM lp, BOOL&);
    void UpdateText();
    // The pane's copy of what the client area shows of m_source.
    void MakeCopy();

    boost::shared_ptr<CDib> m_source;
    SIZE m_sourceSize = {0, 0};
    boost::shared_ptr<CDibSection> m_image;
    int m_alignment = 0;
    unsigned m_serial = 0;
    std::wstring m_overlay;
    COnSizeHandler* m_sizeHandler = nullptr;
};
