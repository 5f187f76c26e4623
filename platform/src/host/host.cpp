#include "host/host.h"

#include "host/null/null_host.h"

namespace platform::host {
namespace {

// Never destroyed: a host may still be asked for during the process's teardown.
std::unique_ptr<Host>& Installed() {
    static auto* host = new std::unique_ptr<Host>();
    return *host;
}

}  // namespace

Host& CurrentHost() {
    auto& host = Installed();
    if (!host) host = std::make_unique<NullHost>();
    return *host;
}

void InstallHost(std::unique_ptr<Host> host) {
    // Destroy the old host before the new one starts owning the display.
    Installed().reset();
    Installed() = std::move(host);
}

}  // namespace platform::host
