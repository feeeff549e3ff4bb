// Owners of a CryptoAPI provider context and of a hash object.
#pragma once
#include <windows.h>
#include <wincrypt.h>

class CCryptProvider {
public:
    CCryptProvider() = default;
    ~CCryptProvider() { if (m_h) ::CryptReleaseContext(m_h, 0); }
    CCryptProvider(const CCryptProvider&) = delete;
    CCryptProvider& operator=(const CCryptProvider&) = delete;
    BOOL Acquire(const wchar_t* provider, DWORD type, DWORD flags)
    {
        return ::CryptAcquireContextW(&m_h, nullptr, provider, type, flags);
    }
    HCRYPTPROV Get() const { return m_h; }
private:
    HCRYPTPROV m_h = 0;
};

class CCryptHash {
public:
    CCryptHash() = default;
    ~CCryptHash() { if (m_h) ::CryptDestroyHash(m_h); }
    CCryptHash(const CCryptHash&) = delete;
    CCryptHash& operator=(const CCryptHash&) = delete;
    BOOL Create(HCRYPTPROV provider, ALG_ID algorithm)
    {
        return ::CryptCreateHash(provider, algorithm, 0, 0, &m_h);
    }
    HCRYPTHASH Get() const { return m_h; }
private:
    HCRYPTHASH m_h = 0;
};
