// The threads of one rendering task. The task's own thread hands out
// numbered items (glyphs, bands of rows) and works on them itself too;
// helper threads take the rest. Every item's result depends on the item
// alone, so the picture is the same whatever the number of threads.
//
// The helpers are made once for the process and shared: starting a thread
// costs about as much as a small preview takes. One team at a time has them;
// a task that finds them busy works alone. A round ends when the task's
// thread has seen every item taken and no helper is still inside one; a
// helper that wakes late finds the round over and sleeps again, so nobody
// waits for a thread the system has not run yet.
//
// Stopping: only the task's thread asks the worker it runs on whether to
// stop (between its items and while it waits); it tells the helpers through
// one flag that they read between items. An exception thrown by an item
// stops the round and is thrown again on the task's thread; none crosses a
// thread procedure.
#pragma once
#include <windows.h>
#include <functional>

class CTerminable;
class CHelperThreads;

// The processor count, at least 1.
int GetProcessorCount();

class CWorkTeam {
public:
    // threads counts the task's own thread: 1 takes no helper. Fewer may be
    // had (the helpers are busy, or no thread could be made).
    explicit CWorkTeam(int threads);
    ~CWorkTeam();
    CWorkTeam(const CWorkTeam&) = delete;
    CWorkTeam& operator=(const CWorkTeam&) = delete;

    int Size() const { return m_size; }
    // Asked between items on the task's thread; null for never.
    void SetTerminable(CTerminable* terminable) { m_terminable = terminable; }

    // Runs work(item, thread) for every item in [0, count), thread being the
    // index (0 .. Size() - 1) of the thread that runs it, so that each thread
    // can keep its own buffers. False when the task was told to stop (items
    // not begun are left out). maxThreads (0: all) keeps the threads of
    // higher index out of the round.
    bool ForEach(int count, const std::function<void(int item, int thread)>& work, int maxThreads = 0);
    // Rows [0, rows) in bands of `bandRows`: work(top, bottom, thread).
    bool ForEachBand(int rows, int bandRows, const std::function<void(int top, int bottom, int thread)>& work);

private:
    CHelperThreads* m_helpers = nullptr;  // held while the team lives; null when working alone
    int m_size = 1;
    CTerminable* m_terminable = nullptr;
};
