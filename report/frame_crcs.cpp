// The frames' CRCs as a run collects them for its report.
#include "report/run_report.h"

namespace report {

void KeepFrameCrc(std::vector<std::int64_t>& crcs, std::uint64_t number, std::uint32_t crc) {
    if (number == 0 || number > kMaxFrameCrcs) return;
    if (crcs.size() < number) crcs.resize(number, -1);
    crcs[number - 1] = crc;
}

}  // namespace report
