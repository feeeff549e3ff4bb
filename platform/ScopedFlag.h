// Raises a flag for a scope and puts back what it was, also when an
// exception leaves the scope: "filling the controls", "starting a job",
// "updating the page" must not stay up after a failure, nor drop while an
// outer scope still holds them.
#pragma once

class CScopedFlag {
public:
    explicit CScopedFlag(bool& flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~CScopedFlag() { m_flag = m_old; }
    CScopedFlag(const CScopedFlag&) = delete;
    CScopedFlag& operator=(const CScopedFlag&) = delete;
private:
    bool& m_flag;
    bool m_old;
};
