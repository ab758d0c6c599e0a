// ProcessManager: attach and update.
// A process attached during an update is first updated in the same pass (list iterators survive appends).
#include "actors/ProcessManager.h"

void ProcessManager::AttachProcess(std::shared_ptr<Process> process)
{
    if (process)
    {
        m_processes.push_back(std::move(process));
    }
}

void ProcessManager::UpdateProcesses(float deltaMs)
{
    for (auto& process : m_processes)
    {
        process->OnUpdate(deltaMs);
    }
}
