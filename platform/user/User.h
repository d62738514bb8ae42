// Everything of the window system's core in one include.
#pragma once

#include "platform/base/WinError.h"
#include "platform/base/WinTypes.h"
#include "platform/user/Hook.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Timer.h"
#include "platform/user/Window.h"
#include "platform/user/WindowClass.h"
#include "platform/user/WinUser.h"
#include "platform/user/controls/Controls.h"
