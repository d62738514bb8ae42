// Everything of the class library's core in one include.
#pragma once

#include "platform/mfc/AfxDefs.h"
#include "platform/mfc/Array.h"
#include "platform/mfc/CmdTarget.h"
#include "platform/mfc/File.h"
#include "platform/mfc/GeometryTypes.h"
#include "platform/mfc/List.h"
#include "platform/mfc/Map.h"
#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"
#include "platform/mfc/WinApp.h"
#include "platform/mfc/WinThread.h"
#include "platform/mfc/Wnd.h"
