// Everything the kernel layer offers, for code that uses many of its calls.
#pragma once

#include "platform/kernel/Files.h"
#include "platform/kernel/KernelObject.h"
#include "platform/kernel/Module.h"
#include "platform/kernel/Process.h"
#include "platform/kernel/Profile.h"
#include "platform/kernel/Shell.h"
#include "platform/kernel/StringCalls.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/Threads.h"
#include "platform/kernel/Time.h"
