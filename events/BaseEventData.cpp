// BaseEventData: the creation time stamp shared by every event class.
// The stamp is informational; the manager never orders or filters by it.
#include "events/BaseEventData.h"

BaseEventData::BaseEventData()
    : m_timeStamp(std::chrono::time_point_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now()))
{
}
