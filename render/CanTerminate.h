// Cooperative stopping: a worker answers whether it was told to stop, and a
// task asks the worker that runs it between its steps.
#pragma once

class CTerminable {
public:
    virtual bool IsTerminated() = 0;
protected:
    ~CTerminable() = default;
};

// A piece of work that can be stopped through the worker attached to it.
// Without a worker it never is.
class CCanTerminate : public CTerminable {
public:
    bool IsTerminated() override { return m_terminable != nullptr && m_terminable->IsTerminated(); }
    // Set by the worker before it runs the work; not owned.
    void SetTerminable(CTerminable* terminable) { m_terminable = terminable; }
    CTerminable* GetTerminable() const { return m_terminable; }
protected:
    ~CCanTerminate() = default;
private:
    CTerminable* m_terminable = nullptr;
};
