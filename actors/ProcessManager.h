// The engine logic's list of processes, updated in attachment order. Deliberately tiny: no process
// states, chaining or removal, since nothing in the presentation attaches a process.
#pragma once

#include "actors/Process.h"

#include <list>
#include <memory>

class ProcessManager
{
public:
    void AttachProcess(std::shared_ptr<Process> process);
    void UpdateProcesses(float deltaMs);
    std::size_t GetProcessCount() const { return m_processes.size(); }

private:
    std::list<std::shared_ptr<Process>> m_processes;
};
