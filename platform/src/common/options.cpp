#include "platform/options.h"

namespace platform {
namespace {

Options& Stored() {
    static auto* options = new Options();
    return *options;
}

}  // namespace

const Options& CurrentOptions() { return Stored(); }

void SetOptions(const Options& options) { Stored() = options; }

}  // namespace platform
