#include "imaging/SharedPicture.h"
#include "imaging/GdiPlusBitmap.h"
#include "foundation/StringUtil.h"
#include "platform/SlimLock.h"
#include <boost/weak_ptr.hpp>

namespace {

// What is held, by whom it may be shared, and whether a decode runs: one
// state for the process.
struct CHeldPictures {
    CSlimLock lock;
    CConditionVariable changed;
    int holdings = 0;             // pictures handed out and alive, each counted once
    bool decoding = false;
    std::wstring key;             // of the shareable picture or the decode that runs
    boost::weak_ptr<const CDib> shareable;
};

CHeldPictures& Held()
{
    static CHeldPictures held;
    return held;
}

// A file is the same picture while its name, size and time of writing are.
bool PictureKey(const std::wstring& path, std::wstring& key)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    key = NoCaseKey(path) + L"|" + std::to_wstring(data.nFileSizeHigh) + L"." + std::to_wstring(data.nFileSizeLow) +
          L"|" + std::to_wstring(data.ftLastWriteTime.dwHighDateTime) + L"." +
          std::to_wstring(data.ftLastWriteTime.dwLowDateTime);
    return true;
}

// The picture counted as held until its last owner lets it go.
boost::shared_ptr<const CDib> Hold(const boost::shared_ptr<CDib>& dib)
{
    CHeldPictures& held = Held();
    {
        // Counted first: a pointer that cannot be made lets go at once.
        CSlimLockGuard guard(held.lock);
        ++held.holdings;
    }
    boost::shared_ptr<CDib> owner = dib;
    return boost::shared_ptr<const CDib>(dib.get(), [owner](const CDib*) mutable {
        owner.reset();
        CHeldPictures& h = Held();
        CSlimLockGuard guard(h.lock);
        --h.holdings;
        h.changed.WakeAll();
    });
}

} // namespace

HRESULT LoadSharedDib(boost::shared_ptr<const CDib>& dib, const std::wstring& path, bool turned)
{
    dib.reset();
    std::wstring key;
    boost::shared_ptr<CDib> made;
    // A file that cannot be looked at fails as the load says, holding nothing.
    if (!PictureKey(path, key))
        return LoadDibFromFile(made, path, turned);
    key += turned ? L"|turned" : L"";
    CHeldPictures& held = Held();
    {
        CSlimLockGuard guard(held.lock);
        for (;;) {
            // Only a pointer that goes to the caller is made here: one let go
            // under the lock may be the last, whose release takes the lock.
            if (held.key == key && (dib = held.shareable.lock()))
                return S_OK;
            if (held.shareable.expired() && held.holdings == 0 && !held.decoding)
                break;
            held.changed.Wait(held.lock);
        }
        held.decoding = true;
        held.key = key;
    }
    // Ends the decode on every path, a throw included, or the others would wait for ever.
    struct CDecodeEnd {
        CHeldPictures& held;
        boost::shared_ptr<const CDib> handed;
        ~CDecodeEnd()
        {
            CSlimLockGuard guard(held.lock);
            held.decoding = false;
            held.shareable = handed;
            held.changed.WakeAll();
        }
    } end{held, nullptr};
    const HRESULT hr = LoadDibFromFile(made, path, turned);
    if (FAILED(hr))
        return hr;
    end.handed = Hold(made);
    dib = end.handed;
    return S_OK;
}
