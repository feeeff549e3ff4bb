#include "app/PaintButton.h"
#include "app/PaintFace.h"
#include "app/Thread.h"
#include "imaging/MemoryDC.h"
#include "imaging/SharedPicture.h"
#include "foundation/StringUtil.h"
#include "platform/Gdi.h"
#include "platform/SlimLock.h"
#include "render/RasterEffects.h"
#include <boost/weak_ptr.hpp>
#include <map>
#include <vector>

namespace {

const int kMargin = 4;  // between the button's edge and the picture's frame
const int kFrame = 1;

} // namespace

// One thread for the paint buttons of the process: it takes the newest
// request of each button, decodes a file once for every button that asked
// for it, and posts each button its reduced copy. It lives while a button
// holds it; its end drops what is queued and waits for the picture in hand.
class CPaintFaceLoader : public CThreadImpl {
public:
    struct CRequest {
        HWND button;
        UINT serial;
        std::wstring path;
        SIZE face;
    };
    struct CResult {
        UINT serial = 0;
        HRESULT hr = E_FAIL;
        boost::shared_ptr<CDib> kept;
        SIZE original = {};
    };

    CPaintFaceLoader() : CThreadImpl(THREAD_PRIORITY_BELOW_NORMAL) {}
    ~CPaintFaceLoader() override
    {
        {
            CSlimLockGuard guard(m_lock);
            SetAbort(true);
            m_wake.WakeAll();
        }
        Wait(INFINITE);
    }

    // The loader of the buttons now alive (window thread only).
    static boost::shared_ptr<CPaintFaceLoader> Shared()
    {
        static boost::weak_ptr<CPaintFaceLoader> shared;
        boost::shared_ptr<CPaintFaceLoader> loader = shared.lock();
        if (!loader) {
            loader.reset(new CPaintFaceLoader);
            shared = loader;
        }
        return loader;
    }

    // Replaces the button's earlier request; false when no thread runs.
    bool Ask(const CRequest& request)
    {
        {
            CSlimLockGuard guard(m_lock);
            m_queue[request.button] = request;
            m_done.erase(request.button);
            m_wake.WakeAll();
        }
        return Start();
    }

    // The result of request `serial`, once.
    bool Take(HWND button, UINT serial, CResult& result)
    {
        CSlimLockGuard guard(m_lock);
        const auto found = m_done.find(button);
        if (found == m_done.end() || found->second.serial != serial)
            return false;
        result = found->second;
        m_done.erase(found);
        return true;
    }

    void Forget(HWND button)
    {
        CSlimLockGuard guard(m_lock);
        m_queue.erase(button);
        m_done.erase(button);
    }

    int Run() override
    {
        for (;;) {
            std::vector<CRequest> batch;
            {
                CSlimLockGuard guard(m_lock);
                while (m_queue.empty() && !IsTerminated())
                    m_wake.Wait(m_lock);
                if (IsTerminated())
                    return 0;
                const std::wstring path = m_queue.begin()->second.path;
                for (auto i = m_queue.begin(); i != m_queue.end();)
                    if (EqualsNoCase(i->second.path, path)) {
                        batch.push_back(i->second);
                        i = m_queue.erase(i);
                    } else {
                        ++i;
                    }
            }
            boost::shared_ptr<const CDib> picture;
            const HRESULT hr = LoadSharedDib(picture, batch.front().path);
            for (const CRequest& r : batch) {
                CResult result;
                result.serial = r.serial;
                result.hr = FAILED(hr) ? hr : ReducePictureForFace(*picture, r.face, result.kept);
                if (picture)
                    result.original = SIZE{picture->GetWidth(), picture->GetAbsHeight()};
                {
                    CSlimLockGuard guard(m_lock);
                    // A newer request of the button makes this one stale.
                    if (m_queue.count(r.button))
                        continue;
                    m_done[r.button] = result;
                }
                ::PostMessageW(r.button, CPaintButton::kFaceLoaded, r.serial, 0);
            }
        }
    }

private:
    CSlimLock m_lock;
    CConditionVariable m_wake;
    std::map<HWND, CRequest> m_queue;  // the newest request of each button
    std::map<HWND, CResult> m_done;    // not yet taken
};

CPaintButton::CPaintButton() = default;
CPaintButton::~CPaintButton() = default;

void CPaintButton::SetPaint(const CPaintSetting& paint)
{
    if (paint == m_paint && !m_stale)
        return;
    m_paint = paint;
    m_stale = true;
    if (m_hWnd)
        Invalidate(FALSE);
}

bool CPaintButton::RenderPaint(CDib& picture, const CPaintSetting& paint, int width, int height, const CDib* kept,
                               SIZE original)
{
    if (width < 1 || height < 1 || !picture.CreateWithInfoHeader(width, height, 32) || !picture.AllocBits())
        return false;
    const COLORREF c = paint.Color;
    picture.FillColor(c);
    picture.SetAlpha(255);
    if (paint.Type == PaintType::LINEAR)
        FillLinearGradation(picture, paint.LinearGradation);
    else if (paint.Type == PaintType::TEXTURE && kept)
        PaintFaceTexture(picture, *kept, original, paint.Texture);
    picture.FlattenOnColor(::GetSysColor(COLOR_BTNFACE));
    return true;
}

LRESULT CPaintButton::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    // The button paints its own face first.
    DefWindowProc();
    if (!IsWindowEnabled())
        return 0;
    RECT r;
    GetClientRect(&r);
    ::InflateRect(&r, -kMargin, -kMargin);
    const int w = r.right - r.left - 2 * kFrame, h = r.bottom - r.top - 2 * kFrame;
    if (w < 1 || h < 1)
        return 0;
    const std::wstring& path = m_paint.Texture.Path;
    if (m_paint.Type == PaintType::TEXTURE && !path.empty() && path != m_keptPath && path != m_askedPath) {
        if (!m_loader)
            m_loader = CPaintFaceLoader::Shared();
        if (m_loader->Ask({m_hWnd, ++m_asked, path, SIZE{w, h}}))
            m_askedPath = path;
    }
    if (m_stale || m_picture.GetWidth() != w || m_picture.GetAbsHeight() != h) {
        if (!RenderPaint(m_picture, m_paint, w, h, GetKeptPicture(), m_original))
            return 0;
        m_stale = false;
    }
    CWindowDC dc(m_hWnd);
    dc::FrameRectSolid(dc, r, kFrame, ::GetSysColor(COLOR_BTNSHADOW));
    m_picture.DrawAt(dc, r.left + kFrame, r.top + kFrame);
    return 0;
}

LRESULT CPaintButton::OnEnable(UINT, WPARAM, LPARAM, BOOL& handled)
{
    Invalidate(FALSE);
    handled = FALSE;
    return 0;
}

LRESULT CPaintButton::OnFaceLoaded(UINT, WPARAM serial, LPARAM, BOOL&)
{
    CPaintFaceLoader::CResult result;
    if (!m_loader || serial != m_asked || !m_loader->Take(m_hWnd, m_asked, result))
        return 0;
    // A picture that could not be read leaves the colour alone, until another file is chosen.
    m_keptPath = m_askedPath;
    m_askedPath.clear();
    m_kept = SUCCEEDED(result.hr) ? result.kept : boost::shared_ptr<CDib>();
    m_original = result.original;
    m_stale = true;
    Invalidate(FALSE);
    return 0;
}

LRESULT CPaintButton::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled)
{
    if (m_loader)
        m_loader->Forget(m_hWnd);
    handled = FALSE;
    return 0;
}
