#include "platform/user/ForeignWindows.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<const ForeignWindowRouter*> g_router{nullptr};
}  // namespace

void SetForeignWindowRouter(const ForeignWindowRouter* router) { g_router.store(router); }

const ForeignWindowRouter* GetForeignWindowRouter() { return g_router.load(); }

}  // namespace platform
