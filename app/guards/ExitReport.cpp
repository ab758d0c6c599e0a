// ExitReport: two writes of the whole file, each replacing the last; a file that cannot be written is left
// alone, since the report only adds to what the exit status says. The program's name lets the reader ignore
// a report that a program started by a program of another name wrote.
#include "app/guards/ExitReport.h"

#include <cstdlib>
#include <fstream>

namespace
{
constexpr const char* kVariable = "ENGINE_EXIT_REPORT";
}

ExitReport::ExitReport(const char* programPath)
{
    const char* file = std::getenv(kVariable);
    if (!file || !*file)
    {
        return;
    }
    m_file = file;
    _putenv_s(kVariable, "");
    m_program = programPath ? programPath : "";
    m_program.erase(0, m_program.find_last_of("/\\") + 1);
    Write("running");
}

ExitReport::~ExitReport()
{
    Write("ended");
}

void ExitReport::Write(const char* state) const
{
    if (!m_file.empty())
    {
        std::ofstream(m_file, std::ios::binary | std::ios::trunc) << state << ' ' << m_program << '\n';
    }
}
