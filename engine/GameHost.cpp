#include "engine/GameHost.h"

namespace {
GameHostServices g_services;
}

void SetGameHostServices(const GameHostServices& services) { g_services = services; }

const GameHostServices& GetGameHostServices() { return g_services; }
