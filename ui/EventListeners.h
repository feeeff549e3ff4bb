// Change listeners: a control tells its owner about a change by calling
// OnEvent(control, argument) of every listener on one of its lists, in list
// order. A member-function listener calls a member of its owner object.
#pragma once
#include "foundation/StringUtil.h"
#include <boost/shared_ptr.hpp>
#include <algorithm>

template <class T>
class CMemfunEventListener : public CEventListener {
public:
    typedef void (T::*Function)(UINT32 sender, UINT32 argument);

    CMemfunEventListener(T* object, Function function) : m_object(object), m_function(function) {}
    void OnEvent(UINT32 sender, UINT32 argument) override
    {
        if (m_object && m_function)
            (m_object->*m_function)(sender, argument);
    }
    bool Calls(const T* object, Function function) const { return m_object == object && m_function == function; }

private:
    T* m_object;
    Function m_function;
};

// Appends the listener; false (and nothing added) when it is on the list already.
inline bool AddEventListener(CEventListeners& list, const boost::shared_ptr<CEventListener>& listener)
{
    if (!listener || std::find(list.begin(), list.end(), listener) != list.end())
        return false;
    list.push_back(listener);
    return true;
}

// A listener calling object->function; false when one calling the same
// member of the same object is on the list already.
template <class T>
bool AddMemfunListener(CEventListeners& list, T* object, typename CMemfunEventListener<T>::Function function)
{
    for (const auto& l : list) {
        auto* m = dynamic_cast<CMemfunEventListener<T>*>(l.get());
        if (m && m->Calls(object, function))
            return false;
    }
    return AddEventListener(list, boost::shared_ptr<CEventListener>(new CMemfunEventListener<T>(object, function)));
}

// A pointer as the 32-bit argument of an event (the program is 32-bit).
template <class T>
UINT32 EventArg(T* p)
{
    static_assert(sizeof(T*) == sizeof(UINT32), "events carry pointers in 32 bits");
    return static_cast<UINT32>(reinterpret_cast<UINT_PTR>(p));
}
template <class T>
T* EventPointer(UINT32 value)
{
    return reinterpret_cast<T*>(static_cast<UINT_PTR>(value));
}
